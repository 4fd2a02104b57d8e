#include "app/PortOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace slabcal {
namespace {

// Qt's own options that take a value; Qt removes them (and the rest of its options) from the command line.
constexpr std::array<std::string_view, 13> QtOptionsWithValue{"-platform",
                                                              "-platformpluginpath",
                                                              "-platformtheme",
                                                              "-plugin",
                                                              "-qwindowgeometry",
                                                              "-qwindowtitle",
                                                              "-qwindowicon",
                                                              "-display",
                                                              "-geometry",
                                                              "-style",
                                                              "-stylesheet",
                                                              "-session",
                                                              "-title"};
constexpr std::array<std::string_view, 4> QtFlags{"-reverse", "-widgetcount", "-nograb", "-dograb"};

constexpr std::string_view DeviceValues = "sim, none, iio:NAME or /dev/NODE";

bool Contains(std::span<const std::string_view> list, std::string_view item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The arguments without Qt's options and their values, which Qt reads for itself.
std::vector<const char*> WithoutQtOptions(std::span<const char* const> arguments) {
    std::vector<const char*> kept;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (i > 0 && Contains(QtOptionsWithValue, argument))
            ++i;
        else if (i == 0 || !Contains(QtFlags, argument))
            kept.push_back(arguments[i]);
    }
    return kept;
}

std::optional<OptionError> ChooseDevice(const std::string& given, PortOptions& options) {
    options.deviceName.clear();
    if (given == "sim") {
        options.device = DeviceChoice::Simulated;
    } else if (given == "none") {
        options.device = DeviceChoice::None;
    } else if (given == "iio" || given.starts_with("iio:")) {
        options.device = DeviceChoice::Iio;
        options.deviceName = given.substr(std::min<std::size_t>(given.size(), 4));
    } else if (given.starts_with("/") && given.size() > 1) {
        options.device = DeviceChoice::CharacterDevice;
        options.deviceName = given;
    } else {
        return OptionError{"bad value for --device: '" + given + "' (use " + std::string(DeviceValues) + ")"};
    }
    return std::nullopt;
}

// The help flag of the program and of each subcommand is a plain flag, so that --help is the caller's to
// answer and every other option keeps its meaning.
void HelpFlag(CLI::App& app, bool& help) {
    app.set_help_flag();
    app.add_flag("-h,--help", help, "this text");
}

} // namespace

std::variant<CommandLine, OptionError> ParseCommandLine(std::span<const char* const> arguments,
                                                        std::string defaultRoot) {
    CommandLine line;
    PortOptions& options = line.port;
    options.root = std::move(defaultRoot);
    std::string device;
    bool subcommandHelp = false;

    CLI::App app("Calibration tool of the floor-slab thickness gauge", "slabcal");
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    HelpFlag(app, options.help);
    app.add_flag("--version", options.version);
    app.add_flag("--headless", options.headless);
    auto* root = app.add_option("--root", options.root);
    auto* simControl = app.add_option("--sim-control", options.simControl);
    auto* iioSettings = app.add_option("--iio-settings", options.iioSettings);
    auto* deviceOption = app.add_option("--device", device);
    app.add_option("--curve-window", options.curveWindow)
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, CurveWindowChoice>{{"auto", CurveWindowChoice::Auto},
                                                     {"show", CurveWindowChoice::Show},
                                                     {"hide", CurveWindowChoice::Hide}}));
    app.require_subcommand(0, 1);

    auto subcommand = [&](const char* name, const char* description) {
        CLI::App* sub = app.add_subcommand(name, description);
        HelpFlag(*sub, subcommandHelp);
        sub->add_option("--root", options.root, "host folder that holds the gauge's flash disk");
        return sub;
    };
    CLI::App* history = subcommand("history", "one line per calibration record, oldest first");
    CLI::App* restore = subcommand("restore", "store a record's sixteen values in the parameter file again");
    restore->add_option("RECORD", line.restore.record, "the record's file name, with or without .json");
    restore->add_flag("--yes", line.restore.yes,
                      "no question (needed when standard input is not a terminal)");
    CLI::App* fit =
        subcommand("fit", "the segments of fifteen height,signal rows, as the write command fits them");
    fit->add_option("POINTS", line.fit.pointsFile, "a CSV file of fifteen height,signal rows, 40 to 800 mm");
    fit->add_flag("--write", line.fit.write, "store the values, the backup copy and a record");
    fit->add_flag("--force", line.fit.force, "with --write: store segments over the deviation limit too");
    CLI::App* certificate = subcommand("certificate", "a record's calibration certificate as a PDF");
    certificate->add_option("RECORD", line.certificate.record,
                            "the record's file name, with or without .json");
    certificate->add_option("-o,--output", line.certificate.output, "the PDF file to write");

    const auto kept = WithoutQtOptions(arguments);
    try {
        app.parse(static_cast<int>(kept.size()), kept.data());
    } catch (const CLI::ParseError& error) {
        return OptionError{error.what()};
    }

    for (const auto* option : {root, simControl, iioSettings})
        if (option->count() > 0 && option->as<std::string>().empty())
            return OptionError{"option " + option->get_name() + " needs a value"};
    if (options.root.empty())
        return OptionError{"option --root needs a value"};
    if (deviceOption->count() > 0)
        if (auto error = ChooseDevice(device, options))
            return *error;
    if (!options.simControl.empty() && options.device != DeviceChoice::Simulated)
        return OptionError{"option --sim-control needs --device sim"};
    if (!options.iioSettings.empty() && options.device != DeviceChoice::Iio)
        return OptionError{"option --iio-settings needs --device iio:NAME"};
    if (options.device == DeviceChoice::Iio && options.deviceName.empty() && options.iioSettings.empty())
        return OptionError{"option --device iio needs a device: iio:NAME, or device= in --iio-settings"};

    const std::array<std::pair<CLI::App*, Subcommand>, 4> subcommands{
        {{history, Subcommand::History},
         {restore, Subcommand::Restore},
         {fit, Subcommand::Fit},
         {certificate, Subcommand::Certificate}}};
    for (const auto& [sub, which] : subcommands)
        if (sub->parsed())
            line.subcommand = which;
    if (subcommandHelp) {
        line.subcommandHelp = app.get_subcommands().front()->help();
        return line;
    }
    if (line.subcommand == Subcommand::Restore && line.restore.record.empty())
        return OptionError{"restore needs RECORD: the record's file name (slabcal history lists them)"};
    if (line.subcommand == Subcommand::Fit && line.fit.pointsFile.empty())
        return OptionError{"fit needs POINTS: a CSV file of fifteen height,signal rows"};
    if (line.subcommand == Subcommand::Certificate &&
        (line.certificate.record.empty() || line.certificate.output.empty()))
        return OptionError{"certificate needs RECORD and -o FILE.pdf"};
    return line;
}

std::variant<PortOptions, OptionError> ParsePortOptions(std::span<const char* const> arguments,
                                                        std::string defaultRoot) {
    auto parsed = ParseCommandLine(arguments, std::move(defaultRoot));
    if (auto* error = std::get_if<OptionError>(&parsed))
        return std::move(*error);
    return std::move(std::get<CommandLine>(parsed).port);
}

std::string DefaultDeviceRoot() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        return std::string(data) + "/slabcal/device";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.local/share/slabcal/device";
    return "slabcal-device";
}

std::string Usage(const std::string& programName) {
    return "usage: " + programName +
           " [--root DIR] [--device sim|none|iio:NAME|/dev/NODE] [--sim-control FILE]\n"
           "       [--iio-settings FILE] [--curve-window auto|show|hide] [--headless] [--help] [--version]\n"
           "       [-platform NAME]\n"
           "  --root DIR          host folder that holds the gauge's flash disk (\\NandFlash\\ZPQ.ini lives\n"
           "                      in DIR/NandFlash/ZPQ.ini); default " +
           DefaultDeviceRoot() +
           "\n"
           "  --device DRIVER     the AD converter bound to \"SPA1:\":\n"
           "                        sim        the simulated gauge, with its panel (default)\n"
           "                        none       no driver, as on a board without one\n"
           "                        iio:NAME   a Linux Industrial I/O ADC: the device's name, or "
           "iio:deviceN\n"
           "                        /dev/NODE  a character device that takes the control codes 14, 8, 9, 12\n"
           "  --sim-control FILE  key=value settings of the simulated gauge, re-read when FILE changes\n"
           "  --iio-settings FILE key=value settings of the IIO converter: device, channel, small_scale,\n"
           "                      large_scale, sysfs_root\n"
           "  --curve-window WHEN the calibration curve window beside the dialog: auto (shown unless the\n"
           "                      screen is smaller than 1024x600), show or hide; F9 shows or hides it\n"
           "  --headless          no window: every message box is written to standard error and answered\n"
           "                      with its default button, and the dialog ends at once\n"
           "  --help, --version   this text; the version\n"
           "  -platform NAME      Qt's platform: xcb, wayland, offscreen, vnc, ...\n"
           "subcommands (each with --root DIR and --help):\n"
           "  " +
           programName +
           " history                       the calibration records, oldest first\n"
           "  " +
           programName +
           " restore RECORD [--yes]        a record's values into the parameter file\n"
           "  " +
           programName +
           " fit POINTS.csv [--write [--force]]  the segments of fifteen height,signal rows\n"
           "  " +
           programName + " certificate RECORD -o FILE.pdf  the record's calibration certificate\n";
}

} // namespace slabcal
