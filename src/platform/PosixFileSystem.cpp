#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace slabcal {
namespace {

// The call's own result on success, the negative errno on failure.
template <typename Result> Result Checked(Result result) {
    return result < 0 ? static_cast<Result>(-errno) : result;
}

} // namespace

int PosixFileSystem::OpenForReading(const std::string& path) {
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer for ever. The type is judged on the
    // descriptor, so the entry cannot be swapped between a check and the open.
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0)
        return -errno;
    struct stat host {};
    if (::fstat(file, &host) != 0 || !S_ISREG(host.st_mode)) {
        const int refused = S_ISDIR(host.st_mode) ? -EISDIR : -EINVAL;
        ::close(file);
        return refused;
    }
    return file;
}

int PosixFileSystem::CreateNew(const std::string& path, unsigned permissions) {
    return Checked(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(permissions)));
}

ssize_t PosixFileSystem::Read(int file, void* buffer, std::size_t size) {
    return Checked(::read(file, buffer, size));
}

ssize_t PosixFileSystem::Write(int file, const void* data, std::size_t size) {
    return Checked(::write(file, data, size));
}

int PosixFileSystem::SyncFile(int file) {
    return Checked(::fsync(file));
}

int PosixFileSystem::Close(int file) {
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    return Checked(::close(file));
}

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
    return Checked(::rename(from.c_str(), to.c_str()));
}

int PosixFileSystem::Remove(const std::string& path) {
    return Checked(::unlink(path.c_str()));
}

int PosixFileSystem::MakeFolder(const std::string& path, unsigned permissions) {
    return Checked(::mkdir(path.c_str(), static_cast<mode_t>(permissions)));
}

int PosixFileSystem::Status(const std::string& path, FileStatus& status) {
    struct stat host {};
    if (::stat(path.c_str(), &host) != 0)
        return -errno;
    status.type = S_ISREG(host.st_mode)   ? FileType::Regular
                  : S_ISDIR(host.st_mode) ? FileType::Directory
                                          : FileType::Other;
    status.permissions = host.st_mode & 07777U;
    status.size = static_cast<std::uint64_t>(host.st_size);
    status.owner = host.st_uid;
    status.group = host.st_gid;
    return 0;
}

int PosixFileSystem::ChangePermissions(const std::string& path, unsigned permissions) {
    return Checked(::chmod(path.c_str(), static_cast<mode_t>(permissions)));
}

int PosixFileSystem::ChangeOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) {
    return Checked(::chown(path.c_str(), owner, group));
}

int PosixFileSystem::SyncFolder(const std::string& path) {
    int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return -errno;
    int result = Checked(::fsync(folder));
    ::close(folder);
    return result;
}

int PosixFileSystem::ListFolder(const std::string& path, std::vector<std::string>& names) {
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr)
        return -errno;
    names.clear();
    int result = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
        if (entry == nullptr) {
            result = -errno;
            break;
        }
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    ::closedir(folder);
    return result;
}

FileSystem& HostFileSystem() {
    static PosixFileSystem host;
    return host;
}

} // namespace slabcal
