#include "drivers/iio/SysfsFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace slabcal {
namespace {

// A failed step: the errno and the call that gave it.
struct Step {
    int error = 0;
    std::string_view call;
};

// Refuses anything but a regular file on the open descriptor, so a FIFO or a device put where an attribute
// belongs is never read from or written to.
Step RegularFileCheck(int file) {
    struct stat status {};
    if (::fstat(file, &status) != 0)
        return {errno, "fstat"};
    if (S_ISDIR(status.st_mode))
        return {EISDIR, "open"};
    return S_ISREG(status.st_mode) ? Step{} : Step{EINVAL, "open (not a regular file)"};
}

// close(2) with its error kept: on sysfs a driver may report a failed store only here.
Step Closed(int file, Step earlier) {
    const Step closed = ::close(file) == 0 ? Step{} : Step{errno, "close"};
    return earlier.error != 0 ? earlier : closed;
}

class KernelSysfsFiles final : public SysfsFiles {
public:
    ReadResult Read(const std::string& path) override {
        ReadResult result;
        // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
        const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (file < 0) {
            result.error = errno;
            result.call = "open";
            return result;
        }
        Step step = RegularFileCheck(file);
        // One byte more than an attribute may hold tells an overlong file from a full page.
        char buffer[MaxAttributeBytes + 1];
        std::size_t total = 0;
        while (step.error == 0 && total < sizeof buffer) {
            const ssize_t count = ::read(file, buffer + total, sizeof buffer - total);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                step = {errno, "read"};
            else if (count == 0)
                break;
            else
                total += static_cast<std::size_t>(count);
        }
        if (step.error == 0 && total == 0)
            step = {ENODATA, "read"};
        if (step.error == 0 && total > MaxAttributeBytes)
            step = {EFBIG, "read"};
        step = Closed(file, step);
        result.error = step.error;
        result.call = step.call;
        if (result.error == 0)
            result.text.assign(buffer, total);
        return result;
    }

    WriteResult Write(const std::string& path, const std::string& text) override {
        // O_TRUNC as a shell's "echo > attribute": sysfs ignores it, a plain file loses its old text.
        const int file = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (file < 0)
            return {errno, "open"};
        Step step = RegularFileCheck(file);
        if (step.error == 0) {
            ssize_t count = -1;
            do
                count = ::write(file, text.data(), text.size());
            while (count < 0 && errno == EINTR);
            // sysfs takes a value in one write; the rest of a short one would be read as a new value.
            if (count < 0)
                step = {errno, "write"};
            else if (static_cast<std::size_t>(count) != text.size())
                step = {EIO, "write (short)"};
        }
        step = Closed(file, step);
        return {step.error, step.call};
    }
};

} // namespace

std::string DescribeSysfsFailure(const std::string& path, std::string_view call, int error) {
    return path + ": " + std::string(call) + ": " + std::generic_category().message(error);
}

SysfsFiles& HostSysfsFiles() {
    static KernelSysfsFiles files;
    return files;
}

} // namespace slabcal
