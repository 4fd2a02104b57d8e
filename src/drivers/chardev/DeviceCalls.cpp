#include "drivers/chardev/DeviceCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace slabcal {
namespace {

int Refused(int device, int error) {
    ::close(device);
    return -error;
}

class KernelCalls final : public DeviceCalls {
public:
    int OpenExclusive(const std::string& path) override {
        // O_NONBLOCK for the open alone: a tty or a driver waiting for its hardware could otherwise keep
        // the open waiting; it is cleared again once the node is known to be a character device, so the
        // control calls wait for their conversion as the driver means them to.
        int device = -1;
        do
            device = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        while (device < 0 && errno == EINTR);
        if (device < 0)
            return -errno;
        struct stat status {};
        if (::fstat(device, &status) != 0)
            return Refused(device, errno);
        // Only a device is driven: control codes sent to a regular file or a FIFO mean nothing, and a
        // file left where the node should be must not look like a converter.
        if (!S_ISCHR(status.st_mode))
            return Refused(device, ENODEV);
        const int flags = ::fcntl(device, F_GETFL);
        if (flags < 0 || ::fcntl(device, F_SETFL, flags & ~O_NONBLOCK) != 0)
            return Refused(device, errno);
        // Another process driving the same converter would interleave its range switches with ours.
        int locked = -1;
        do
            locked = ::flock(device, LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR);
        if (locked != 0)
            return Refused(device, errno);
        return device;
    }

    int Control(int device, unsigned long request, void* argument) override {
        int result = -1;
        do
            result = ::ioctl(device, request, argument);
        while (result < 0 && errno == EINTR);
        return result < 0 ? -errno : result;
    }

    void Close(int device) override {
        // Linux releases the descriptor even when close reports an error; there is nothing to retry.
        ::close(device);
    }
};

} // namespace

DeviceCalls& KernelDeviceCalls() {
    static KernelCalls calls;
    return calls;
}

} // namespace slabcal
