#include "drivers/iio/IioSettingsFile.h"

#include "drivers/iio/IioText.h"
#include "platform/KeyValueLines.h"
#include "platform/PosixFileSystem.h"
#include "platform/ReadWholeFile.h"

#include <charconv>
#include <optional>
#include <system_error>
#include <utility>

namespace slabcal {
namespace {

constexpr std::size_t MaxSettingsBytes = 64 * 1024;

// A channel number: digits only, 0 to 4294967295.
std::optional<std::uint32_t> ChannelNumber(std::string_view text) {
    std::uint32_t channel = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), channel);
    if (text.empty() || error != std::errc{} || stop != text.data() + text.size())
        return std::nullopt;
    return channel;
}

enum class KeyResult { Applied, UnknownKey, BadValue };

KeyResult ApplyKey(std::string_view key, std::string_view value, IioSettings& settings) {
    if (key == "device" || key == "sysfs_root") {
        if (value.empty())
            return KeyResult::BadValue;
        (key == "device" ? settings.device : settings.sysfsRoot) = std::string(value);
        return KeyResult::Applied;
    }
    if (key == "channel") {
        // Y, or X-Y for the differential channel in_voltageX-voltageY.
        const auto dash = value.find('-');
        const auto positive = ChannelNumber(value.substr(0, dash));
        const auto negative = dash == std::string_view::npos ? std::optional<std::uint32_t>()
                                                             : ChannelNumber(value.substr(dash + 1));
        if (!positive || (dash != std::string_view::npos && !negative))
            return KeyResult::BadValue;
        settings.channel = *positive;
        settings.negativeChannel = negative;
        return KeyResult::Applied;
    }
    if (key == "small_scale" || key == "large_scale" || key == "sampling_frequency") {
        // Checked here, so a value no converter could take is reported when the file is read, not as a
        // range error once sampling runs.
        const auto number = ParseDecimal(value);
        if (!number || !(*number > 0))
            return KeyResult::BadValue;
        (key == "small_scale"   ? settings.smallScale
         : key == "large_scale" ? settings.largeScale
                                : settings.samplingFrequency) = std::string(value);
        return KeyResult::Applied;
    }
    if (key == "input") {
        if (value != "unipolar" && value != "bipolar")
            return KeyResult::BadValue;
        settings.polarity = value == "bipolar" ? IioInputPolarity::Bipolar : IioInputPolarity::Unipolar;
        return KeyResult::Applied;
    }
    return KeyResult::UnknownKey;
}

} // namespace

bool ParseIioSettings(std::string_view text, IioSettings& settings, std::string& error) {
    IioSettings read = settings;
    const bool whole = ForEachKeyValueLine(text, [&](const KeyValueLine& line) {
        if (!line.hasEquals) {
            error = line.NotKeyValue();
            return false;
        }
        switch (ApplyKey(line.key, line.value, read)) {
        case KeyResult::Applied:
            return true;
        case KeyResult::UnknownKey:
            error = line.UnknownKey();
            return false;
        case KeyResult::BadValue:
            error = line.BadValue();
            return false;
        }
        return false;
    });
    if (whole)
        settings = std::move(read);
    return whole;
}

bool ReadIioSettingsFile(const std::string& path, IioSettings& settings, std::string& error) {
    std::string text;
    if (const FileResult read = ReadWholeFile(HostFileSystem(), path, MaxSettingsBytes, text); !read) {
        error = path + ": " + std::generic_category().message(read.error);
        return false;
    }
    if (!ParseIioSettings(text, settings, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace slabcal
