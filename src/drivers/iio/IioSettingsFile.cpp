#include "drivers/iio/IioSettingsFile.h"

#include "drivers/iio/IioText.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
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

// The whole of a small regular file; never blocks on a FIFO put in its place. 0 or an errno.
int ReadSmallFile(const std::string& path, std::string& text) {
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file < 0)
        return errno;
    int error = 0;
    struct stat status {};
    if (::fstat(file, &status) != 0)
        error = errno;
    else if (S_ISDIR(status.st_mode))
        error = EISDIR;
    else if (!S_ISREG(status.st_mode))
        error = EINVAL;
    char buffer[4096];
    while (error == 0) {
        const ssize_t count = ::read(file, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            error = errno;
        else if (count == 0)
            break;
        else if (text.size() + static_cast<std::size_t>(count) > MaxSettingsBytes)
            error = EFBIG;
        else
            text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(file); // read-only: nothing a failed close could lose
    return error;
}

} // namespace

bool ParseIioSettings(std::string_view text, IioSettings& settings, std::string& error) {
    IioSettings read = settings;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto lineEnd = text.find('\n');
        const std::string_view line = TrimmedText(text.substr(0, lineEnd));
        text = lineEnd == std::string_view::npos ? std::string_view{} : text.substr(lineEnd + 1);
        if (line.empty() || line.front() == '#')
            continue;

        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            error = where + "expected key=value, got '" + std::string(line) + "'";
            return false;
        }
        const std::string_view key = TrimmedText(line.substr(0, equals));
        const std::string_view value = TrimmedText(line.substr(equals + 1));
        switch (ApplyKey(key, value, read)) {
        case KeyResult::Applied:
            break;
        case KeyResult::UnknownKey:
            error = where + "unknown key '" + std::string(key) + "'";
            return false;
        case KeyResult::BadValue:
            error = where + "bad value '" + std::string(value) + "' for " + std::string(key);
            return false;
        }
    }
    settings = std::move(read);
    return true;
}

bool ReadIioSettingsFile(const std::string& path, IioSettings& settings, std::string& error) {
    std::string text;
    if (const int readError = ReadSmallFile(path, text); readError != 0) {
        error = path + ": " + std::generic_category().message(readError);
        return false;
    }
    if (!ParseIioSettings(text, settings, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace slabcal
