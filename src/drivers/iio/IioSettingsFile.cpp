#include "drivers/iio/IioSettingsFile.h"

#include "drivers/iio/IioText.h"
#include "platform/KeyValueLines.h"
#include "platform/PosixFileSystem.h"
#include "platform/ReadWholeFile.h"

#include <charconv>
#include <system_error>
#include <utility>

namespace slabcal {
namespace {

constexpr std::size_t MaxSettingsBytes = 64 * 1024;

enum class KeyResult { Applied, UnknownKey, BadValue };

KeyResult ApplyKey(std::string_view key, std::string_view value, IioSettings& settings) {
    if (key == "device" || key == "sysfs_root") {
        if (value.empty())
            return KeyResult::BadValue;
        (key == "device" ? settings.device : settings.sysfsRoot) = std::string(value);
        return KeyResult::Applied;
    }
    if (key == "channel") {
        std::uint32_t channel = 0;
        const auto [stop, error] = std::from_chars(value.data(), value.data() + value.size(), channel);
        if (value.empty() || error != std::errc{} || stop != value.data() + value.size())
            return KeyResult::BadValue;
        settings.channel = channel;
        return KeyResult::Applied;
    }
    if (key == "small_scale" || key == "large_scale") {
        // Checked here, so a scale no converter could take is reported when the file is read, not as a
        // range error once sampling runs.
        const auto scale = ParseScale(value);
        if (!scale || !(*scale > 0))
            return KeyResult::BadValue;
        (key == "small_scale" ? settings.smallScale : settings.largeScale) = std::string(value);
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
