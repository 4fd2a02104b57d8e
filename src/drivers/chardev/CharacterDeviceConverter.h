#pragma once

#include "drivers/chardev/DeviceCalls.h"
#include "platform/StreamDriver.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace slabcal {

// The "SPA1:" driver on a Linux character device whose kernel driver implements the requests of
// <slabcal/spa1.h>: the converter's codes 14 initialise, 8 / 9 small / large range (no argument) and 12 one
// sample record (the 5-byte record as argument), each as its `_IO` / `_IOR` request. A request that fails
// with a passing fault (IsTransientError) is made again, at most TransientAttempts times in all.
//
// Open opens the node and locks it exclusively; a node that is not a character device, or one another
// descriptor has locked, is refused, and a second Open fails until Close. An ioctl that fails gives 0, one
// that succeeds 1. Code 12 needs a buffer of at least 5 bytes and sets `*bytesReturned` = 5; the driver
// writes into a record of exactly that size, never into the caller's buffer. Other codes are never passed
// to the kernel (0), nor is anything passed while closed (0).
//
// Calls may come from the UI thread and the sampling worker at once; the control calls are made one at a
// time. An ioctl can block for good (a driver waiting on hung hardware), so nothing else waits for one:
// Close during a control call returns at once and leaves the descriptor to that call, which closes it when
// it returns; until then the converter answers no call and a new Open is refused (EBUSY).
class CharacterDeviceConverter final : public StreamDriver {
public:
    explicit CharacterDeviceConverter(std::string path, DeviceCalls& calls = KernelDeviceCalls());
    ~CharacterDeviceConverter() override;
    CharacterDeviceConverter(const CharacterDeviceConverter&) = delete;
    CharacterDeviceConverter& operator=(const CharacterDeviceConverter&) = delete;

    [[nodiscard]] bool Open() override;
    int IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                  std::uint32_t* bytesReturned) override;
    void Close() override;

    // Why the last open or control call failed ("/dev/spa1: ioctl SPA1_READ_SAMPLE: Input/output error"),
    // empty after a success.
    [[nodiscard]] std::string LastProblem() const override;

private:
    // The descriptor, or -1 (the problem recorded) when the converter is closed or closing.
    [[nodiscard]] int OpenDescriptorLocked();
    // Records why the call failed; 0, the call's result.
    int Refuse(std::string why);
    void RefuseLocked(std::string why);
    // The descriptor to close now, or -1 when a control call under way will close it (or nothing is open).
    [[nodiscard]] int TakeForClosingLocked();

    const std::string path;
    DeviceCalls& calls;

    std::mutex callOrder;    // held across a control call, by control calls only
    mutable std::mutex lock; // guards the members below; never held across a kernel call
    int device = -1;
    bool opening = false;      // an open is under way
    bool callUnderWay = false; // a control call is in the kernel
    bool closeWanted = false;  // Close came during that call, which closes the descriptor
    std::string lastProblem;
};

// The converter on the node at `path` (/dev/…), for binding to "SPA1:".
[[nodiscard]] std::shared_ptr<CharacterDeviceConverter> MakeCharacterDeviceConverter(std::string path);

} // namespace slabcal
