#pragma once

#include "drivers/chardev/DeviceCalls.h"
#include "platform/StreamDriver.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace slabcal {

// The "SPA1:" driver on a Linux character device whose kernel driver takes the converter's own control
// codes as ioctl requests: 14 initialise, 8 / 9 small / large range (no argument), 12 one sample record
// (the 5-byte record as argument).
//
// Open opens the node and locks it exclusively; a node that is not a character device, or one another
// descriptor has locked, is refused, and a second Open fails until Close. An ioctl that fails gives 0, one
// that succeeds 1. Code 12 needs a buffer of at least 5 bytes and sets `*bytesReturned` = 5; the driver
// writes into a record of exactly that size, never into the caller's buffer. Other codes are never passed
// to the kernel (0), nor is anything passed while closed (0).
//
// Calls may come from the UI thread and the sampling worker at once; one lock serialises them, so Close
// waits for a control call in progress rather than closing its descriptor under it.
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

    // The errno of the last failed open or control call, 0 after a success; for diagnostics.
    [[nodiscard]] int LastError() const;

private:
    void CloseLocked();

    const std::string path;
    DeviceCalls& calls;

    mutable std::mutex lock;
    int device = -1;
    int lastError = 0;
};

// The converter on the node at `path` (/dev/…), for binding to "SPA1:".
[[nodiscard]] std::shared_ptr<CharacterDeviceConverter> MakeCharacterDeviceConverter(std::string path);

} // namespace slabcal
