#include "drivers/iio/SysfsFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace slabcal {
namespace {

// Refuses anything but a regular file on the open descriptor, so a FIFO or a device put where an attribute
// belongs is never read from or written to. 0 or an errno.
int RegularFileCheck(int file) {
    struct stat status {};
    if (::fstat(file, &status) != 0)
        return errno;
    if (S_ISDIR(status.st_mode))
        return EISDIR;
    return S_ISREG(status.st_mode) ? 0 : EINVAL;
}

// close(2) with its error kept: on sysfs a driver may report a failed store only here.
int Closed(int file, int earlierError) {
    const int closeError = ::close(file) == 0 ? 0 : errno;
    return earlierError != 0 ? earlierError : closeError;
}

class KernelSysfsFiles final : public SysfsFiles {
public:
    ReadResult Read(const std::string& path) override {
        ReadResult result;
        // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
        const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (file < 0) {
            result.error = errno;
            return result;
        }
        int error = RegularFileCheck(file);
        // One byte more than an attribute may hold tells an overlong file from a full page.
        char buffer[MaxAttributeBytes + 1];
        std::size_t total = 0;
        while (error == 0 && total < sizeof buffer) {
            const ssize_t count = ::read(file, buffer + total, sizeof buffer - total);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                error = errno;
            else if (count == 0)
                break;
            else
                total += static_cast<std::size_t>(count);
        }
        if (error == 0 && total == 0)
            error = ENODATA;
        if (error == 0 && total > MaxAttributeBytes)
            error = EFBIG;
        result.error = Closed(file, error);
        if (result.error == 0)
            result.text.assign(buffer, total);
        return result;
    }

    int Write(const std::string& path, const std::string& text) override {
        // O_TRUNC as a shell's "echo > attribute": sysfs ignores it, a plain file loses its old text.
        const int file = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (file < 0)
            return errno;
        int error = RegularFileCheck(file);
        if (error == 0) {
            ssize_t count = -1;
            do
                count = ::write(file, text.data(), text.size());
            while (count < 0 && errno == EINTR);
            // sysfs takes a value in one write; the rest of a short one would be read as a new value.
            if (count < 0)
                error = errno;
            else if (static_cast<std::size_t>(count) != text.size())
                error = EIO;
        }
        return Closed(file, error);
    }
};

} // namespace

SysfsFiles& HostSysfsFiles() {
    static KernelSysfsFiles files;
    return files;
}

} // namespace slabcal
