#include "app/PortOptions.h"

#include "framework/Application.h"
#include "records/CalibrationSettings.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
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

// --device's description: what it binds, then each driver as it is typed, one a line.
std::string DeviceDescription() {
    std::size_t width = 0;
    for (const DriverEntry* entry : ConverterDrivers())
        width = std::max(width, entry->form.size());
    std::string text = "the AD converter bound to \"SPA1:\":";
    for (const DriverEntry* entry : ConverterDrivers())
        text += "\n  " + std::string(entry->form) + std::string(width + 2 - entry->form.size(), ' ') +
                std::string(entry->description) + (entry == ConverterDrivers().front() ? " (default)" : "");
    return text;
}

// The driver the --device value names, with the part of the value it reads.
std::optional<std::pair<const DriverEntry*, std::string>> DriverNamed(const std::string& given) {
    for (const DriverEntry* entry : ConverterDrivers())
        if (auto argument = entry->accept(given))
            return std::pair{entry, std::move(*argument)};
    return std::nullopt;
}

// "sim, none, iio:NAME or /dev/NODE"
std::string DeviceForms() {
    const auto drivers = ConverterDrivers();
    std::string text;
    for (std::size_t i = 0; i < drivers.size(); ++i)
        text += (i == 0 ? "" : i + 1 == drivers.size() ? " or " : ", ") + std::string(drivers[i]->form);
    return text;
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
    bool help = false;
    bool subcommandHelp = false;
    const std::string rootHelp = "host folder that holds the gauge's flash disk (\\NandFlash\\ZPQ.ini is\n"
                                 "DIR/NandFlash/ZPQ.ini); default " +
                                 options.root;

    CLI::App app("Calibration tool of the floor-slab thickness gauge",
                 arguments.empty() ? "slabcal" : ProgramNameFromPath(arguments[0]));
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.footer(
        "Qt's own options, such as -platform NAME (xcb, wayland, offscreen, vnc, ...), are left to Qt.");
    HelpFlag(app, help);
    app.add_flag("--version", options.version, "the version");
    app.add_option("--root", options.root, rootHelp)->type_name("DIR");
    auto* deviceOption = app.add_option("--device", device, DeviceDescription())->type_name("DRIVER");
    // Each driver's own options, in the table's order, with the entry that owns them.
    struct GivenDriverOption {
        const DriverEntry* owner;
        std::string name;
        std::string value;
        CLI::Option* option;
    };
    std::deque<GivenDriverOption> driverOptions;
    for (const DriverEntry* entry : ConverterDrivers())
        for (const DriverOption& option : entry->options) {
            auto& given =
                driverOptions.emplace_back(GivenDriverOption{entry, std::string(option.name), {}, nullptr});
            given.option = app.add_option(given.name, given.value, std::string(option.description))
                               ->type_name(std::string(option.valueName));
        }
    app.add_option("--curve-window", options.curveWindow,
                   "the calibration curve window beside the dialog: auto (shown unless the\n"
                   "screen is smaller than 1024x600), show or hide; F9 shows or hides it")
        ->type_name("WHEN")
        ->transform(CLI::CheckedTransformer(
                        std::map<std::string, CurveWindowChoice>{{"auto", CurveWindowChoice::Auto},
                                                                 {"show", CurveWindowChoice::Show},
                                                                 {"hide", CurveWindowChoice::Hide}})
                        .description("")); // the values are in the option's own description
    app.add_flag("--headless", options.headless,
                 "no window: every message box is written to standard error and answered\n"
                 "with its default button, and the dialog ends at once");
    auto* scriptOption =
        app.add_option("--script", options.script,
                       "with --headless: the operator's actions on the dialog, one a line\n"
                       "(height H, type TEXT, signal, save, write, answer yes|no, show, reconnect),\n"
                       "from FILE or, for -, standard input; the dialog ends with the script")
            ->type_name("FILE");
    app.require_subcommand(0, 1);

    auto subcommand = [&](const char* name, const char* description) {
        CLI::App* sub = app.add_subcommand(name, description);
        HelpFlag(*sub, subcommandHelp);
        sub->add_option("--root", options.root, "host folder that holds the gauge's flash disk")
            ->type_name("DIR");
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
    fit->add_option("--operator", line.fit.conditions.operatorName,
                    "with --write: who calibrated, for the record")
        ->type_name("NAME");
    double temperature = 0;
    double humidity = 0;
    CLI::Option* temperatureOption =
        fit->add_option("--temperature", temperature, "with --write: the ambient temperature, °C")
            ->type_name("C")
            ->check(CLI::Range(LeastTemperature, MostTemperature));
    CLI::Option* humidityOption =
        fit->add_option("--humidity", humidity, "with --write: the relative humidity, %")
            ->type_name("PCT")
            ->check(CLI::Range(LeastHumidity, MostHumidity));
    CLI::App* certificate = subcommand("certificate", "a record's calibration certificate as a PDF");
    certificate->add_option("RECORD", line.certificate.record,
                            "the record's file name, with or without .json");
    certificate->add_option("-o,--output", line.certificate.output, "the PDF file to write")
        ->type_name("FILE.pdf");
    CLI::App* probe = subcommand("probe", "read the converter --device names as the window does, one line a "
                                          "cycle");
    // --device and the drivers' options may follow the subcommand's name.
    probe->fallthrough();
    probe->add_option("--count", line.probe.count, "how many cycles to read (default 10)")
        ->type_name("N")
        ->check(CLI::Range(1, 1000000));
    probe->add_option("--range", line.probe.range, "the converter's range: small (default) or large")
        ->type_name("RANGE")
        ->transform(
            CLI::CheckedTransformer(std::map<std::string, ConverterRange>{{"small", ConverterRange::Small},
                                                                          {"large", ConverterRange::Large}})
                .description(""));

    const auto failed = [&app](std::string message) { return OptionError{std::move(message), app.help()}; };
    const auto kept = WithoutQtOptions(arguments);
    try {
        app.parse(static_cast<int>(kept.size()), kept.data());
    } catch (const CLI::ParseError& error) {
        return failed(error.what());
    }

    if (temperatureOption->count() > 0)
        line.fit.conditions.temperature = temperature;
    if (humidityOption->count() > 0)
        line.fit.conditions.humidity = humidity;
    for (const auto& given : driverOptions)
        if (given.option->count() > 0 && given.value.empty())
            return failed("option " + given.name + " needs a value");
    if (options.root.empty())
        return failed("option --root needs a value");
    if (scriptOption->count() > 0 && (options.script.empty() || !options.headless))
        return failed("option --script needs a FILE and --headless");
    if (deviceOption->count() > 0) {
        auto named = DriverNamed(device);
        if (!named)
            return failed("bad value for --device: '" + device + "' (use " + DeviceForms() + ")");
        options.driver = named->first;
        options.driverRequest.argument = std::move(named->second);
    }
    for (const auto& given : driverOptions) {
        if (given.option->count() == 0)
            continue;
        if (given.owner != options.driver)
            return failed("option " + given.name + " needs --device " + std::string(given.owner->form));
        options.driverRequest.options[given.name] = given.value;
    }
    if (options.driver->check != nullptr)
        if (auto error = options.driver->check(options.driverRequest))
            return failed(std::move(*error));

    const std::array<std::pair<CLI::App*, Subcommand>, 5> subcommands{{{history, Subcommand::History},
                                                                       {restore, Subcommand::Restore},
                                                                       {fit, Subcommand::Fit},
                                                                       {certificate, Subcommand::Certificate},
                                                                       {probe, Subcommand::Probe}}};
    for (const auto& [sub, which] : subcommands)
        if (sub->parsed())
            line.subcommand = which;
    if (help) {
        line.help = app.help();
        return line;
    }
    if (subcommandHelp) {
        line.help = app.get_subcommands().front()->help();
        return line;
    }
    if (line.subcommand == Subcommand::Restore && line.restore.record.empty())
        return failed("restore needs RECORD: the record's file name (slabcal history lists them)");
    if (line.subcommand == Subcommand::Fit && line.fit.pointsFile.empty())
        return failed("fit needs POINTS: a CSV file of fifteen height,signal rows");
    if (line.subcommand == Subcommand::Certificate &&
        (line.certificate.record.empty() || line.certificate.output.empty()))
        return failed("certificate needs RECORD and -o FILE.pdf");
    return line;
}

std::optional<CommandLine> ReadCommandLine(int argc, const char* const* argv, std::ostream& err) {
    auto parsed = ParseCommandLine(std::span(argv, static_cast<std::size_t>(argc)), DefaultDeviceRoot());
    if (auto* line = std::get_if<CommandLine>(&parsed))
        return std::move(*line);
    const auto& error = std::get<OptionError>(parsed);
    err << ProgramNameFromPath(argv[0]) << ": " << error.message << '\n' << error.usage;
    return std::nullopt;
}

std::string DefaultDeviceRoot() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        return std::string(data) + "/slabcal/device";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.local/share/slabcal/device";
    return "slabcal-device";
}

} // namespace slabcal
