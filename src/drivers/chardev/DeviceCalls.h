#pragma once

#include <string>

namespace slabcal {

// The three kernel calls the character-device converter makes, behind one seam so that a test can script
// what a converter driver answers. Nothing throws; failures are negative errno values.
class DeviceCalls {
public:
    virtual ~DeviceCalls() = default;

    // Opens the node for reading and writing and takes an exclusive lock on it: a descriptor, or a
    // negative errno (-EWOULDBLOCK while another descriptor holds the lock; -ENODEV for a node that is not
    // a character device).
    [[nodiscard]] virtual int OpenExclusive(const std::string& path) = 0;
    // ioctl(device, request, argument): 0 or more on success, a negative errno on failure.
    [[nodiscard]] virtual int Control(int device, unsigned long request, void* argument) = 0;
    // Releases the descriptor and with it the lock.
    virtual void Close(int device) = 0;
};

// The real one, on the kernel.
[[nodiscard]] DeviceCalls& KernelDeviceCalls();

} // namespace slabcal
