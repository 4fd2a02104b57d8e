#include "storage/UnusedName.h"

#include <ctime>

namespace slabcal {

std::string UtcStamp(std::chrono::system_clock::time_point time, const char* format) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char stamp[64] = {};
    const std::size_t length = std::strftime(stamp, sizeof stamp, format, &utc);
    return {stamp, length};
}

std::string UnusedName(const std::string& stem, std::string_view extension,
                       const std::function<bool(const std::string&)>& taken) {
    std::string name = stem + std::string(extension);
    for (int copy = 2; taken(name); ++copy)
        name = stem + "-" + std::to_string(copy) + std::string(extension);
    return name;
}

std::string UnusedDevicePath(const DeviceFileSystem& files, const std::string& stem,
                             std::string_view extension) {
    return UnusedName(stem, extension, [&files](const std::string& name) {
        return files.GetFileAttributes(name) != InvalidFileAttributes;
    });
}

} // namespace slabcal
