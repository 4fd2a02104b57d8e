#pragma once

#include "commands/Commands.h"

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

// What the program is to do besides opening the window: one subcommand, or none.
enum class Subcommand { None, History, Restore, Fit, Certificate };

struct CertificateOptions {
    std::string record;
    std::string output; // the PDF
};

struct CommandLine {
    PortOptions port; // --root applies to every subcommand; the others only to the window
    Subcommand subcommand = Subcommand::None;
    RestoreOptions restore;
    FitOptions fit;
    CertificateOptions certificate;
    std::string subcommandHelp; // --help after a subcommand: its usage, printed instead of running it
};

// Parses the whole command line (CLI11): the window's options, then at most one subcommand with its own
// options and --root. Qt's platform options (-platform NAME and the like) are passed over, with their
// value, for Qt to read. One line naming the option or value when something is wrong.
[[nodiscard]] std::variant<CommandLine, OptionError> ParseCommandLine(std::span<const char* const> arguments,
                                                                      std::string defaultRoot);

// The window's options alone (ParseCommandLine's `port`).
[[nodiscard]] std::variant<PortOptions, OptionError> ParsePortOptions(std::span<const char* const> arguments,
                                                                      std::string defaultRoot);

// The device root when --root is not given: $XDG_DATA_HOME/slabcal/device, else
// $HOME/.local/share/slabcal/device, else ./slabcal-device.
[[nodiscard]] std::string DefaultDeviceRoot();

[[nodiscard]] std::string Usage(const std::string& programName);

} // namespace slabcal
