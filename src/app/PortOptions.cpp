#include "app/PortOptions.h"

#include <algorithm>
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

constexpr std::string_view DeviceValues = "sim, none, iio:NAME or /dev/NODE";

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
        } else if (name == "--root" || name == "--sim-control" || name == "--iio-settings") {
            auto given = value();
            if (!given || given->empty())
                return OptionError{"option " + std::string(name) + " needs a value"};
            (name == "--root"          ? options.root
             : name == "--sim-control" ? options.simControl
                                       : options.iioSettings) = *given;
        } else if (name == "--device") {
            auto given = value();
            if (!given)
                return OptionError{"option --device needs a value: " + std::string(DeviceValues)};
            options.deviceName.clear();
            if (*given == "sim") {
                options.device = DeviceChoice::Simulated;
            } else if (*given == "none") {
                options.device = DeviceChoice::None;
            } else if (*given == "iio" || given->starts_with("iio:")) {
                options.device = DeviceChoice::Iio;
                options.deviceName = given->substr(std::min<std::size_t>(given->size(), 4));
            } else if (given->starts_with("/") && given->size() > 1) {
                options.device = DeviceChoice::CharacterDevice;
                options.deviceName = *given;
            } else {
                return OptionError{"bad value for --device: '" + std::string(*given) + "' (use " +
                                   std::string(DeviceValues) + ")"};
            }
        } else if (name == "--curve-window") {
            auto given = value();
            if (given == "auto")
                options.curveWindow = CurveWindowChoice::Auto;
            else if (given == "show")
                options.curveWindow = CurveWindowChoice::Show;
            else if (given == "hide")
                options.curveWindow = CurveWindowChoice::Hide;
            else
                return OptionError{"option --curve-window needs auto, show or hide"};
        } else if (Contains(QtOptionsWithValue, argument)) {
            ++i;
        } else if (!Contains(QtFlags, argument)) {
            return OptionError{"unknown option '" + std::string(argument) + "'"};
        }
    }
    if (!options.simControl.empty() && options.device != DeviceChoice::Simulated)
        return OptionError{"option --sim-control needs --device sim"};
    if (!options.iioSettings.empty() && options.device != DeviceChoice::Iio)
        return OptionError{"option --iio-settings needs --device iio:NAME"};
    if (options.device == DeviceChoice::Iio && options.deviceName.empty() && options.iioSettings.empty())
        return OptionError{"option --device iio needs a device: iio:NAME, or device= in --iio-settings"};
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
           "  -platform NAME      Qt's platform: xcb, wayland, offscreen, vnc, ...\n";
}

} // namespace slabcal
