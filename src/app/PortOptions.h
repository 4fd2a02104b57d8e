#pragma once

#include "app/DriverTable.h"
#include "commands/Commands.h"
#include "platform/ConverterContract.h"
#include "platform/DriverEntry.h"

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <variant>

namespace slabcal {

// The calibration curve window: shown beside the dialog unless the screen is a small board's (auto).
enum class CurveWindowChoice { Auto, Show, Hide };

// What the board used to decide and the port lets the command line decide instead.
struct PortOptions {
    std::string root; // host folder that holds the device's file system
    // The converter bound to "SPA1:" (--device) and what was asked of it: the rest of its --device value
    // and the driver's own options.
    const DriverEntry* driver = ConverterDrivers().front();
    DriverRequest driverRequest;
    CurveWindowChoice curveWindow = CurveWindowChoice::Auto;
    bool headless = false; // no window: the in-memory backend, boxes written to standard error
    std::string script;    // with --headless: the operator's actions, one a line ("-": standard input)
    bool version = false;
};

struct OptionError {
    std::string message; // one line naming the option
    std::string usage;   // the program's --help, shown after it
};

// What the program is to do besides opening the window: one subcommand, or none.
enum class Subcommand { None, History, Restore, Fit, Certificate, Probe };

struct CertificateOptions {
    std::string record;
    std::string output; // the PDF
};

struct ProbeOptions {
    int count = 10; // cycles to read
    ConverterRange range = ConverterRange::Small;
};

struct CommandLine {
    PortOptions port; // --root applies to every subcommand; the others only to the window
    Subcommand subcommand = Subcommand::None;
    RestoreOptions restore;
    FitOptions fit;
    CertificateOptions certificate;
    ProbeOptions probe;
    // --help: the program's usage, or the subcommand's after a subcommand; printed instead of running
    // anything.
    std::string help;
};

// Parses the whole command line (CLI11): the window's options, the converter drivers' (ConverterDrivers),
// then at most one subcommand with its own options and --root. Qt's platform options (-platform NAME and
// the like) are passed over, with their value, for Qt to read. One line naming the option or value when
// something is wrong. The usage texts are CLI11's, from the options' own descriptions.
[[nodiscard]] std::variant<CommandLine, OptionError> ParseCommandLine(std::span<const char* const> arguments,
                                                                      std::string defaultRoot);

// The command line of this process parsed with the default device root; on an error the line naming it
// and the usage on `err`, and nothing.
[[nodiscard]] std::optional<CommandLine> ReadCommandLine(int argc, const char* const* argv,
                                                         std::ostream& err);

// The device root when --root is not given: $XDG_DATA_HOME/slabcal/device, else
// $HOME/.local/share/slabcal/device, else ./slabcal-device.
[[nodiscard]] std::string DefaultDeviceRoot();

} // namespace slabcal
