#include "platform/DeviceFileSystem.h"

#include "platform/AtomicFile.h"
#include "platform/ReadWholeFile.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

namespace slabcal {
namespace {

constexpr unsigned OwnerWrite = 0200;
constexpr unsigned AnyWrite = 0222;
constexpr unsigned NewFolderPermissions = 0777;

std::string_view LastElement(std::string_view devicePath) {
    while (!devicePath.empty() && (devicePath.back() == '\\' || devicePath.back() == '/'))
        devicePath.remove_suffix(1);
    const auto separator = devicePath.find_last_of("\\/");
    return separator == std::string_view::npos ? devicePath : devicePath.substr(separator + 1);
}

// The host folder that holds a host path.
std::string ParentOf(const std::string& hostPath) {
    const auto slash = hostPath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : hostPath.substr(0, slash);
}

std::uint32_t AttributesOf(const FileStatus& status) {
    std::uint32_t attributes = 0;
    if (status.type == FileType::Directory)
        attributes |= FileAttributeDirectory;
    if ((status.permissions & OwnerWrite) == 0)
        attributes |= FileAttributeReadOnly;
    return attributes == 0 ? FileAttributeNormal : attributes;
}

} // namespace

DeviceFileSystem::DeviceFileSystem(std::string rootFolder, FileSystem& hostFiles)
    : root(rootFolder.empty() ? std::string(".") : std::move(rootFolder)), host(hostFiles) {}

std::optional<std::string> DeviceFileSystem::HostPath(std::string_view devicePath) const {
    if (devicePath.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string hostPath = root;
    while (!devicePath.empty()) {
        const auto separator = devicePath.find_first_of("\\/");
        const std::string_view element = devicePath.substr(0, separator);
        devicePath.remove_prefix(separator == std::string_view::npos ? devicePath.size() : separator + 1);
        if (element.empty() || element == ".")
            continue;
        if (element == "..")
            return std::nullopt;
        if (hostPath.back() != '/')
            hostPath += '/';
        hostPath += element;
    }
    return hostPath;
}

FileResult DeviceFileSystem::EnsureRoot() const {
    for (std::size_t end = root.find('/', 1);; end = root.find('/', end + 1)) {
        const std::string level = root.substr(0, end);
        // mkdir says EEXIST for a file as well as a folder, and may refuse an existing folder for other
        // reasons (EACCES, EROFS): what counts is that a folder stands there now.
        if (const int made = host.MakeFolder(level, NewFolderPermissions); made < 0) {
            FileStatus status;
            const bool found = host.Status(level, status) == 0;
            if (!found || status.type != FileType::Directory)
                return FileResult::Failure(FileStep::MakeFolder, found && made == -EEXIST ? ENOTDIR : -made);
        }
        if (end == std::string::npos)
            return FileResult::Success();
    }
}

std::uint32_t DeviceFileSystem::GetFileAttributes(std::string_view path) const {
    const auto hostPath = HostPath(path);
    FileStatus status;
    if (!hostPath || host.Status(*hostPath, status) < 0)
        return InvalidFileAttributes;
    return AttributesOf(status);
}

bool DeviceFileSystem::SetFileAttributes(std::string_view path, std::uint32_t attributes) const {
    const auto hostPath = HostPath(path);
    FileStatus status;
    if (!hostPath || host.Status(*hostPath, status) < 0)
        return false;
    const unsigned permissions = (attributes & FileAttributeReadOnly) != 0 ? status.permissions & ~AnyWrite
                                                                           : status.permissions | OwnerWrite;
    return host.ChangePermissions(*hostPath, permissions) == 0;
}

std::optional<FoundFile> DeviceFileSystem::FindFirst(std::string_view path) const {
    const auto hostPath = HostPath(path);
    FileStatus status;
    if (!hostPath || host.Status(*hostPath, status) < 0)
        return std::nullopt;
    return FoundFile{std::string(LastElement(path)), AttributesOf(status)};
}

bool DeviceFileSystem::CreateDirectory(std::string_view path) const {
    const auto hostPath = HostPath(path);
    if (!hostPath || host.MakeFolder(*hostPath, NewFolderPermissions) != 0)
        return false;
    // A folder root makes in another user's tree belongs to that tree's owner, so that the owner's own
    // saves can still write into it later. Anyone else cannot give it away and keeps it.
    FileStatus parent;
    if (host.Status(ParentOf(*hostPath), parent) == 0 &&
        (parent.owner != ::geteuid() || parent.group != ::getegid()))
        (void)host.ChangeOwner(*hostPath, parent.owner, parent.group);
    return true;
}

FileResult DeviceFileSystem::ReadFile(std::string_view path, std::string& bytes) const {
    bytes.clear();
    const auto hostPath = HostPath(path);
    if (!hostPath)
        return FileResult::Failure(FileStep::Path, EINVAL);
    // A file larger than any the device keeps (a sparse or endless one) is refused, not read whole.
    return ReadWholeFile(host, *hostPath, MaxFileBytes, bytes);
}

FileResult DeviceFileSystem::ReplaceFile(std::string_view path, std::string_view bytes) const {
    const auto hostPath = HostPath(path);
    if (!hostPath)
        return FileResult::Failure(FileStep::Path, EINVAL);
    return AtomicFile(host, *hostPath).Replace(bytes);
}

FileResult DeviceFileSystem::ReplaceFileLike(std::string_view path, std::string_view bytes,
                                             std::string_view like) const {
    const auto hostPath = HostPath(path);
    const auto likePath = HostPath(like);
    if (!hostPath || !likePath)
        return FileResult::Failure(FileStep::Path, EINVAL);
    FileStatus likeStatus;
    const int examined = host.Status(*likePath, likeStatus);
    if (examined < 0 && examined != -ENOENT)
        return FileResult::Failure(FileStep::Status, -examined);
    if (examined < 0 || likeStatus.type != FileType::Regular)
        return AtomicFile(host, *hostPath).Replace(bytes);
    return AtomicFile(host, *hostPath).ReplaceLike(bytes, likeStatus);
}

void DeviceFileSystem::RemoveLeftovers(std::string_view path) const {
    if (const auto hostPath = HostPath(path))
        AtomicFile(host, *hostPath).RemoveLeftovers();
}

FileResult DeviceFileSystem::RemoveFile(std::string_view path) const {
    const auto hostPath = HostPath(path);
    if (!hostPath)
        return FileResult::Failure(FileStep::Path, EINVAL);
    if (const int removed = host.Remove(*hostPath); removed < 0)
        return removed == -ENOENT ? FileResult::Success() : FileResult::Failure(FileStep::Remove, -removed);
    if (const int synced = host.SyncFolder(ParentOf(*hostPath)); synced < 0)
        return FileResult::Failure(FileStep::SyncFolder, -synced);
    return FileResult::Success();
}

FileResult DeviceFileSystem::CopyFile(std::string_view source, std::string_view destination) const {
    const auto destinationPath = HostPath(destination);
    if (!destinationPath)
        return FileResult::Failure(FileStep::Path, EINVAL);
    std::string bytes;
    if (FileResult read = ReadFile(source, bytes); !read)
        return read;
    // The copy may be read by whoever may read the source, and by nobody else.
    if (FileResult replaced = ReplaceFileLike(destination, bytes, source); !replaced)
        return replaced;
    // The replace flushed the destination's folder, but that folder's own name (the backup folder, made
    // by the first save) is on the disk only once its parent is flushed too.
    const std::string folder = ParentOf(*destinationPath);
    if (const int synced = host.SyncFolder(ParentOf(folder)); synced < 0)
        return FileResult::Failure(FileStep::SyncFolder, -synced);
    return FileResult::Success();
}

} // namespace slabcal
