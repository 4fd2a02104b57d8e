#include "platform/DeviceRootLock.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace slabcal {
namespace {

constexpr const char* HolderFileName = ".slabcal.lock";
constexpr mode_t HolderFilePermissions = 0644;

std::string Failed(const std::string& what, int error) {
    return what + ": " + std::generic_category().message(error);
}

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
    int file = -1;
    while ((file = ::open(path.c_str(), flags, mode)) < 0 && errno == EINTR) {
    }
    return file;
}

// The holder's process id as it wrote it ("1234\n"); nothing for anything else, a file being written, a
// removed one or one that is not a regular file included. Never blocks: a FIFO put in its place is not
// waited on.
std::optional<long> HolderOf(const std::string& holderPath) {
    const int file = OpenRetrying(holderPath, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (file < 0)
        return std::nullopt;
    struct stat status {};
    char text[32] = {};
    ssize_t got = 0;
    if (::fstat(file, &status) == 0 && S_ISREG(status.st_mode))
        got = ::pread(file, text, sizeof text - 1, 0);
    ::close(file);
    if (got <= 0)
        return std::nullopt;
    long pid = 0;
    const auto [end, error] = std::from_chars(text, text + got, pid);
    if (error != std::errc() || pid <= 0 || end == text + got || *end != '\n')
        return std::nullopt;
    return pid;
}

} // namespace

std::variant<DeviceRootLock, std::string> DeviceRootLock::Acquire(const std::string& root) {
    const std::string folderPath = root.empty() ? std::string(".") : root;
    const std::string holderPath = folderPath + (folderPath.back() == '/' ? "" : "/") + HolderFileName;
    const std::string refused = "cannot lock the device root " + root + ": ";

    const int folder = OpenRetrying(folderPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return refused + Failed("open " + folderPath, errno);
    DeviceRootLock lock(folder);

    int locked = 0;
    while ((locked = ::flock(folder, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        if (errno != EWOULDBLOCK)
            return refused + Failed("flock " + folderPath, errno);
        std::string busy = root + " is in use by another slabcal";
        if (const auto holder = HolderOf(holderPath))
            busy += " (pid " + std::to_string(*holder) + ")";
        return busy;
    }

    // The file is truncated and written, so a link planted in its place is not followed; a root in which
    // this file cannot be made is no root to save into either.
    const int holder = OpenRetrying(holderPath, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                                    HolderFilePermissions);
    if (holder < 0)
        return refused + Failed("open " + holderPath, errno);
    struct stat status {};
    const bool regular = ::fstat(holder, &status) == 0 && S_ISREG(status.st_mode);
    // The id only helps the next one turned away to name the holder; the lock works without it, so a
    // failure to write it is not one to stop for.
    if (regular && ::ftruncate(holder, 0) == 0) {
        const std::string pid = std::to_string(::getpid()) + "\n";
        (void)::pwrite(holder, pid.data(), pid.size(), 0);
    }
    ::close(holder);
    if (!regular)
        return refused + holderPath + " is not a regular file";
    return lock;
}

DeviceRootLock::DeviceRootLock(int lockedRoot) : folder(lockedRoot) {}

DeviceRootLock::DeviceRootLock(DeviceRootLock&& other) noexcept : folder(std::exchange(other.folder, -1)) {}

DeviceRootLock& DeviceRootLock::operator=(DeviceRootLock&& other) noexcept {
    if (this != &other) {
        Release();
        folder = std::exchange(other.folder, -1);
    }
    return *this;
}

DeviceRootLock::~DeviceRootLock() {
    Release();
}

// Closing the only descriptor of the open folder releases the lock. The id file stays: it names nobody
// once the lock is gone, and the next holder overwrites it.
void DeviceRootLock::Release() noexcept {
    if (folder >= 0)
        ::close(std::exchange(folder, -1));
}

} // namespace slabcal
