#pragma once

#include <span>
#include <string>
#include <variant>

namespace slabcal {

enum class DeviceChoice { Simulated, None };

// What the board used to decide and the port lets the command line decide instead.
struct PortOptions {
    std::string root; // host folder that holds the device's file system
    DeviceChoice device = DeviceChoice::Simulated;
    std::string simControl; // control file of the simulated gauge; empty: none
    bool headless = false;  // no window: the in-memory backend, boxes written to standard error
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
