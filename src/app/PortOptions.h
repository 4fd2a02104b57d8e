#pragma once

#include <span>
#include <string>
#include <variant>

namespace slabcal {

// The converter bound to "SPA1:": the simulated gauge, none at all, a Linux Industrial I/O channel, or a
// character device whose kernel driver takes the gauge's four control codes.
enum class DeviceChoice { Simulated, None, Iio, CharacterDevice };

// The calibration curve window: shown beside the dialog unless the screen is a small board's (auto).
enum class CurveWindowChoice { Auto, Show, Hide };

// What the board used to decide and the port lets the command line decide instead.
struct PortOptions {
    std::string root; // host folder that holds the device's file system
    DeviceChoice device = DeviceChoice::Simulated;
    std::string deviceName;  // Iio: the device's name or iio:deviceN (may come from the settings file);
                             // CharacterDevice: the node's path
    std::string iioSettings; // settings file of the IIO converter; empty: none
    std::string simControl;  // control file of the simulated gauge; empty: none
    CurveWindowChoice curveWindow = CurveWindowChoice::Auto;
    bool headless = false; // no window: the in-memory backend, boxes written to standard error
    bool help = false;
    bool version = false;
};

struct OptionError {
    std::string message; // one line naming the option
};

// Parses the program's own options. Qt's platform options (-platform NAME and the like) are passed over,
// with their value, for Qt to read.
[[nodiscard]] std::variant<PortOptions, OptionError> ParsePortOptions(std::span<const char* const> arguments,
                                                                      std::string defaultRoot);

// The device root when --root is not given: $XDG_DATA_HOME/slabcal/device, else
// $HOME/.local/share/slabcal/device, else ./slabcal-device.
[[nodiscard]] std::string DefaultDeviceRoot();

[[nodiscard]] std::string Usage(const std::string& programName);

} // namespace slabcal
