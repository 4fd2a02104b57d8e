#pragma once

#include "drivers/iio/IioDeviceFolder.h"
#include "drivers/iio/IioSettings.h"
#include "drivers/iio/SysfsFiles.h"
#include "platform/StreamDriver.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace slabcal {

// The "SPA1:" driver on a Linux Industrial I/O converter channel, through its sysfs attributes.
//
// Open finds the device, writes the sampling frequency when one is set, reads the channel's offset (none:
// 0) and its raw attribute once: a missing device, channel or attribute, or a value that is not a number,
// refuses the open. Exclusive: a second Open fails until Close. Codes: 14 reads the offset again and one
// conversion (1 when it is an integer); 8 and 9 set the small / large range's scale (it must be one
// scale_available offers, is written and read back, and both compare as numbers), succeed without
// touching the device when that range has no scale configured or the converter has one fixed scale, and
// read the offset again; 12 fills the 5-byte record (bytes 0 and 4 zero, bytes 1-3 the gauge's counts,
// GaugeCounts of the conversion and offset, most significant first; `*bytesReturned` = 5) and refuses a
// missing or shorter buffer. Any failed read or write, any other code and a closed converter give 0.
//
// Calls may come from the UI thread and the sampling worker at once; one lock serialises the calls that
// reach sysfs. A sysfs read can block for good (a bus driver that hangs), so nothing else waits on that
// lock: Close and LastProblem return at once, and an Open while an earlier call is still under way is
// refused at once ("busy"), as the converter is still in use.
class IioConverter final : public StreamDriver {
public:
    explicit IioConverter(IioSettings settings, SysfsFiles& files = HostSysfsFiles());

    [[nodiscard]] bool Open() override;
    int IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                  std::uint32_t* bytesReturned) override;
    void Close() override;

    // Why the last call failed, for diagnostics ("in_voltage0_raw: not an integer: 'x'"); empty when it
    // did not.
    [[nodiscard]] std::string LastProblem() const override;

private:
    [[nodiscard]] IioChannelFiles Files() const;
    // The ...Locked calls run under callLock.
    [[nodiscard]] bool ReadOffsetLocked();
    [[nodiscard]] std::optional<std::int64_t> ReadRawLocked();
    [[nodiscard]] int SelectScaleLocked(const std::optional<std::string>& scale);
    [[nodiscard]] int ReadSampleLocked(std::uint8_t* output, std::uint32_t outputLength,
                                       std::uint32_t* bytesReturned);
    // Records why a call failed; 0, the call's result.
    int Fail(std::string why);
    void ClearProblem();

    const IioSettings settings;
    SysfsFiles& files;

    std::mutex callLock; // held across sysfs calls
    std::atomic<bool> isOpen{false};
    std::string deviceFolder; // guarded by callLock
    double offset = 0;        // added to each raw value; guarded by callLock

    mutable std::mutex problemLock; // never held across a sysfs call
    std::string problem;
};

// The converter for `settings`, for binding to "SPA1:".
[[nodiscard]] std::shared_ptr<IioConverter> MakeIioConverter(const IioSettings& settings);

} // namespace slabcal
