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

constexpr const char* LockFileName = ".slabcal.lock";
constexpr mode_t LockFilePermissions = 0644;

std::string Failed(const std::string& what, int error) {
    return what + ": " + std::generic_category().message(error);
}

// The holder's process id as it wrote it ("1234\n"); nothing for anything else, a file being written
// included.
std::optional<long> HolderOf(int file) {
    char text[32] = {};
    const ssize_t got = ::pread(file, text, sizeof text - 1, 0);
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
    std::string lockPath = root.empty() ? std::string(".") : root;
    if (lockPath.back() != '/')
        lockPath += '/';
    lockPath += LockFileName;
    const std::string refused = "cannot lock the device root " + root + ": ";

    // The file is truncated and written, so a link planted in its place is not followed.
    const int file = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, LockFilePermissions);
    if (file < 0)
        return refused + Failed("open " + lockPath, errno);
    DeviceRootLock lock(file, lockPath);
    struct stat status {};
    if (::fstat(file, &status) != 0)
        return refused + Failed("stat " + lockPath, errno);
    if (!S_ISREG(status.st_mode))
        return refused + lockPath + " is not a regular file";

    int locked = 0;
    while ((locked = ::flock(file, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
        if (errno != EWOULDBLOCK)
            return refused + Failed("flock " + lockPath, errno);
        std::string busy = root + " is in use by another slabcal";
        if (const auto holder = HolderOf(file))
            busy += " (pid " + std::to_string(*holder) + ")";
        return busy;
    }
    // The id only helps the next one turned away to name the holder; the lock works without it, so a
    // failure to write it is not one to stop for.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(file, 0) == 0)
        (void)::pwrite(file, pid.data(), pid.size(), 0);
    return lock;
}

DeviceRootLock::DeviceRootLock(int lockedFile, std::string lockPath)
    : file(lockedFile), path(std::move(lockPath)) {}

DeviceRootLock::DeviceRootLock(DeviceRootLock&& other) noexcept
    : file(std::exchange(other.file, -1)), path(std::move(other.path)) {}

DeviceRootLock& DeviceRootLock::operator=(DeviceRootLock&& other) noexcept {
    if (this != &other) {
        if (file >= 0)
            ::close(file);
        file = std::exchange(other.file, -1);
        path = std::move(other.path);
    }
    return *this;
}

// Closing the only descriptor of the open file releases the lock. The file stays: removing it would let a
// newcomer lock a fresh file while someone still holds the old one.
DeviceRootLock::~DeviceRootLock() {
    if (file >= 0)
        ::close(file);
}

} // namespace slabcal
