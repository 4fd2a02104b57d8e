#include "app/PortOptions.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string_view>

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
    for (auto entry : list) {
        if (entry == item)
            return true;
    }
    return false;
}

} // namespace

std::variant<PortOptions, OptionError> ParsePortOptions(std::span<const char* const> arguments,
                                                        std::string defaultRoot) {
    PortOptions options;
    options.root = std::move(defaultRoot);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        std::string_view name = argument;
        std::optional<std::string_view> inlineValue;
        if (auto equals = argument.find('=');
            argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return std::string_view(arguments[++i]);
            return std::nullopt;
        };

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--headless") {
            options.headless = true;
        } else if (name == "--root" || name == "--sim-control") {
            auto given = value();
            if (!given || given->empty())
                return OptionError{"option " + std::string(name) + " needs a value"};
            (name == "--root" ? options.root : options.simControl) = *given;
        } else if (name == "--device") {
            auto given = value();
            if (!given)
                return OptionError{"option --device needs a value: sim or none"};
            if (*given == "sim")
                options.device = DeviceChoice::Simulated;
            else if (*given == "none")
                options.device = DeviceChoice::None;
            else
                return OptionError{"bad value for --device: '" + std::string(*given) + "' (use sim or none)"};
        } else if (Contains(QtOptionsWithValue, argument)) {
            ++i;
        } else if (!Contains(QtFlags, argument)) {
            return OptionError{"unknown option '" + std::string(argument) + "'"};
        }
    }
    if (!options.simControl.empty() && options.device != DeviceChoice::Simulated)
        return OptionError{"option --sim-control needs --device sim"};
    return options;
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
           " [--root DIR] [--device sim|none] [--sim-control FILE] [--headless] [--help] [--version]\n"
           "       [-platform NAME]\n"
           "  --root DIR          host folder that holds the gauge's flash disk (\\NandFlash\\ZPQ.ini lives\n"
           "                      in DIR/NandFlash/ZPQ.ini); default " +
           DefaultDeviceRoot() +
           "\n"
           "  --device sim|none   the AD converter: the simulated gauge (default) or none (no driver)\n"
           "  --sim-control FILE  key=value settings of the simulated gauge, re-read when FILE changes\n"
           "  --headless          no window: every message box is written to standard error and answered\n"
           "                      with its default button, and the dialog ends at once\n"
           "  --help, --version   this text; the version\n"
           "  -platform NAME      Qt's platform: xcb, wayland, offscreen, vnc, ...\n";
}

} // namespace slabcal
