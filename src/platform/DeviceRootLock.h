#pragma once

#include <string>
#include <variant>

namespace slabcal {

// Keeps other slabcal processes off a device root for as long as it lives: two programs saving into one
// root would each remove the other's temporary files. The lock is an advisory flock on the root folder
// itself, which nobody can delete or replace from under the holder while it works in it (a lock on a file
// inside the root ended, for a newcomer, the moment someone removed that file). ROOT/.slabcal.lock only
// holds the holder's process id, so that the one turned away can say who has the root. The kernel drops
// the lock when the process ends, however it ends, so a crash leaves nothing to clear up.
class DeviceRootLock final {
public:
    // The lock, or one line saying why there is none: "ROOT is in use by another slabcal (pid N)" (without
    // the pid when the id file does not give one), or that the root or its id file cannot be opened or
    // locked.
    [[nodiscard]] static std::variant<DeviceRootLock, std::string> Acquire(const std::string& root);

    DeviceRootLock(DeviceRootLock&& other) noexcept;
    DeviceRootLock& operator=(DeviceRootLock&& other) noexcept;
    DeviceRootLock(const DeviceRootLock&) = delete;
    DeviceRootLock& operator=(const DeviceRootLock&) = delete;
    ~DeviceRootLock();

    // Ends the lock now rather than when the object goes: the program's end calls it before it leaves, so
    // a thread stuck in a driver call, which keeps the process's descriptors from being closed, cannot
    // keep the root from the next program.
    void Release() noexcept;

private:
    explicit DeviceRootLock(int lockedRoot);

    int folder = -1;
};

} // namespace slabcal
