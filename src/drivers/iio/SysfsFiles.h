#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace slabcal {

// The two host calls the IIO converter makes on its attributes, behind one seam so that a test can make a
// device answer what a kernel driver would (a scale read back other than the one written) without a
// kernel. Nothing throws; a failure is an errno value and the call that gave it.
class SysfsFiles {
public:
    // An attribute's text is at most one page; anything longer is not an attribute.
    static constexpr std::size_t MaxAttributeBytes = 4096;

    struct ReadResult {
        std::string text; // as read, trailing newline included
        int error = 0;    // 0, or the errno of the failed step
        // The failed step ("open", "read", ...), for diagnostics.
        std::string_view call = "read";
    };
    struct WriteResult {
        int error = 0; // 0, or the errno of the failed step
        std::string_view call = "write";
    };

    virtual ~SysfsFiles() = default;

    // The whole text of a regular file, read afresh from offset 0 (a sysfs attribute produces its value on
    // each open). Never blocks: a FIFO, a device or a folder in its place is refused. An empty file is an
    // error (ENODATA), as is one over MaxAttributeBytes (EFBIG).
    [[nodiscard]] virtual ReadResult Read(const std::string& path) = 0;
    // Replaces the regular file's text in one write call, as sysfs needs. A short write is EIO.
    [[nodiscard]] virtual WriteResult Write(const std::string& path, const std::string& text) = 0;
};

// "/sys/bus/iio/devices/iio:device0/in_voltage0_raw: open: No such file or directory": the whole path, as
// the integrator may have the wrong device as well as the wrong channel, the call and strerror.
[[nodiscard]] std::string DescribeSysfsFailure(const std::string& path, std::string_view call, int error);

// The real one, on the kernel.
[[nodiscard]] SysfsFiles& HostSysfsFiles();

} // namespace slabcal
