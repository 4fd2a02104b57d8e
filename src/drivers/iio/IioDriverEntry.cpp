#include "drivers/iio/IioDriverEntry.h"

#include "drivers/iio/IioConverter.h"
#include "drivers/iio/IioSettingsFile.h"

#include <array>

namespace slabcal {
namespace {

constexpr std::string_view SettingsOption = "--iio-settings";

constexpr std::array Options{
    DriverOption{SettingsOption, "FILE",
                 "key=value settings of the IIO converter: device, channel (Y or X-Y),\nsmall_scale, "
                 "large_scale, sampling_frequency, input, sysfs_root"}};

// "iio:NAME", or "iio" alone when the settings file names the device.
std::optional<std::string> Accept(std::string_view given) {
    if (given == "iio")
        return std::string();
    if (given.starts_with("iio:"))
        return std::string(given.substr(4));
    return std::nullopt;
}

std::optional<std::string> Check(const DriverRequest& request) {
    if (request.argument.empty() && request.Option(SettingsOption).empty())
        return "option --device iio needs a device: iio:NAME, or device= in --iio-settings";
    return std::nullopt;
}

MadeDriver Make(const DriverRequest& request) {
    IioSettings settings;
    settings.device = request.argument;
    const std::string settingsFile = request.Option(SettingsOption);
    std::string error;
    if (!settingsFile.empty() && !ReadIioSettingsFile(settingsFile, settings, error))
        return {nullptr, error, {}};
    if (settings.device.empty())
        return {nullptr, "no IIO device given: --device iio:NAME, or device= in " + settingsFile, {}};
    return {MakeIioConverter(settings), {}, "iio:" + settings.device};
}

} // namespace

constinit const DriverEntry IioDriverEntry{
    .name = "iio",
    .form = "iio:NAME",
    .description = "a Linux Industrial I/O ADC: the device's label or name, or iio:deviceN",
    .options = Options,
    .accept = Accept,
    .check = Check,
    .make = Make};

} // namespace slabcal
