#pragma once

#include <string>
#include <variant>

namespace slabcal {

// Keeps other slabcal processes off a device root for as long as it lives: two programs saving into one
// root would each remove the other's temporary files. The lock is an advisory flock on ROOT/.slabcal.lock,
// which also holds the holder's process id so that the one turned away can say who has the root. The
// kernel drops the lock when the process ends, however it ends, so a crash leaves nothing to clear up.
class DeviceRootLock final {
public:
    // The lock, or one line saying why there is none: "ROOT is in use by another slabcal (pid N)" (without
    // the pid when the file does not give one), or that the lock file cannot be opened or locked.
    [[nodiscard]] static std::variant<DeviceRootLock, std::string> Acquire(const std::string& root);

    DeviceRootLock(DeviceRootLock&& other) noexcept;
    DeviceRootLock& operator=(DeviceRootLock&& other) noexcept;
    DeviceRootLock(const DeviceRootLock&) = delete;
    DeviceRootLock& operator=(const DeviceRootLock&) = delete;
    ~DeviceRootLock();

    // The lock file's host path.
    [[nodiscard]] const std::string& Path() const { return path; }

private:
    DeviceRootLock(int lockedFile, std::string lockPath);

    int file = -1;
    std::string path;
};

} // namespace slabcal
