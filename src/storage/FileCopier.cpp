#include "storage/FileCopier.h"

#include <cerrno>
#include <vector>

namespace slabcal {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

FileCopier::FileCopier(const DeviceFileSystem& deviceFiles) : files(deviceFiles) {}

bool FileCopier::IsPlainFolder(const std::string& folder) const {
    const auto found = files.FindFirst(folder);
    return found && found->attributes == FileAttributeDirectory;
}

bool FileCopier::EnsureFolder(std::string folder) const {
    if (folder.empty())
        return false;
    if (IsSeparator(folder.back()))
        folder.pop_back();
    if (IsPlainFolder(folder))
        return true;

    // Every text before a separator, then the whole: for "\NandFlash\BackUp" that is "", "\NandFlash" and
    // "\NandFlash\BackUp". The first is what stands before the root separator and is skipped.
    std::vector<std::string> prefixes;
    for (std::size_t i = 0; i < folder.size(); ++i)
        if (IsSeparator(folder[i]))
            prefixes.push_back(folder.substr(0, i));
    prefixes.push_back(folder);
    for (std::size_t i = 1; i < prefixes.size(); ++i)
        files.CreateDirectory(prefixes[i]); // an existing level fails harmlessly

    return IsPlainFolder(folder);
}

FileResult FileCopier::CopyInto(const std::string& source, const std::string& folder) const {
    const auto separator = source.find_last_of("\\/");
    const std::string name = separator == std::string::npos ? source : source.substr(separator + 1);
    if (name.empty() || name == "." || name == "..")
        return FileResult::Failure(FileStep::Path, EINVAL);
    std::string destination = folder;
    if (destination.empty() || !IsSeparator(destination.back()))
        destination += '\\';
    destination += name;
    return files.CopyFile(source, destination);
}

} // namespace slabcal
