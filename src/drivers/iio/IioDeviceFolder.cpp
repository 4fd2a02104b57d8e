#include "drivers/iio/IioDeviceFolder.h"

#include "drivers/iio/IioText.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

namespace slabcal {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view FolderPrefix = "iio:device";

bool IsDeviceFolderName(std::string_view name) {
    if (!name.starts_with(FolderPrefix) || name.size() == FolderPrefix.size())
        return false;
    name.remove_prefix(FolderPrefix.size());
    return name.find_first_not_of("0123456789") == std::string_view::npos;
}

std::vector<std::string> DeviceFolderNames(const std::string& root, std::error_code& error) {
    std::vector<std::string> names;
    for (fs::directory_iterator entry(root, error), end; !error && entry != end; entry.increment(error))
        if (IsDeviceFolderName(entry->path().filename().string()))
            names.push_back(entry->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ExistingOr(const std::string& preferred, const std::string& otherwise) {
    std::error_code ignored;
    return fs::exists(preferred, ignored) ? preferred : otherwise;
}

} // namespace

std::optional<std::string> FindIioDeviceFolder(const std::string& root, const std::string& device,
                                               SysfsFiles& files, std::string& problem) {
    if (device.empty()) {
        problem = "no IIO device given";
        return std::nullopt;
    }
    // Only digits after the prefix, so the name can never lead out of the root.
    if (IsDeviceFolderName(device)) {
        const std::string folder = root + "/" + device;
        std::error_code error;
        if (fs::is_directory(folder, error))
            return folder;
        problem = folder + ": no such IIO device folder" + (error ? ": " + error.message() : "");
        return std::nullopt;
    }

    std::error_code error;
    const std::vector<std::string> names = DeviceFolderNames(root, error);
    if (error) {
        problem = root + ": opendir: " + error.message();
        return std::nullopt;
    }
    // A device whose attributes cannot be read may be the one meant: the first such failure is named if
    // no device matches. A missing label is no failure: most devices have none.
    std::string unreadable;
    // Labels first: a label is the board's name for this converter, a name only the chip's.
    for (const char* attribute : {"label", "name"}) {
        std::vector<std::string> matches;
        for (const std::string& name : names) {
            const std::string path = root + "/" + name + "/" + attribute;
            const SysfsFiles::ReadResult read = files.Read(path);
            if (read.error == 0 && TrimmedText(read.text) == device)
                matches.push_back(name);
            else if (read.error != 0 && read.error != ENOENT && unreadable.empty())
                unreadable = "; " + DescribeSysfsFailure(path, read.call, read.error);
        }
        if (matches.size() == 1)
            return root + "/" + matches.front();
        if (matches.size() > 1) {
            problem = "IIO devices " + matches[0] + " and " + matches[1] + " both have the " + attribute +
                      " '" + device + "'; give the one meant as iio:deviceN";
            return std::nullopt;
        }
    }
    problem = "no IIO device labelled or named '" + device + "' under " + root + unreadable;
    return std::nullopt;
}

IioChannelFiles ChannelFiles(const std::string& deviceFolder, std::uint32_t channel,
                             std::optional<std::uint32_t> negativeChannel) {
    std::string own = deviceFolder + "/in_voltage" + std::to_string(channel);
    std::string shared = deviceFolder + "/in_voltage";
    if (negativeChannel) {
        own += "-voltage" + std::to_string(*negativeChannel);
        shared += "-voltage";
    }
    const auto either = [&](const char* suffix) { return ExistingOr(own + suffix, shared + suffix); };
    return {own + "_raw", either("_offset"), either("_scale"), either("_scale_available"),
            ExistingOr(either("_sampling_frequency"), deviceFolder + "/sampling_frequency")};
}

bool HasFixedScale(const IioChannelFiles& channel) {
    std::error_code error;
    if (fs::exists(channel.scaleAvailable, error))
        return false;
    const fs::file_status scale = fs::status(channel.scale, error);
    if (!fs::exists(scale))
        return true;
    constexpr auto anyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return fs::is_regular_file(scale) && (scale.permissions() & anyWrite) == fs::perms::none;
}

} // namespace slabcal
