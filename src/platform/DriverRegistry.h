#pragma once

#include "platform/StreamDriver.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace slabcal {

using StreamHandle = std::intptr_t;
inline constexpr StreamHandle InvalidStreamHandle = -1;

// Binds device names such as "SPA1:" to drivers and hands out handles, as the board's device manager did.
// One process-wide instance (Drivers()); start-up binds the driver chosen by --device, tests bind their own.
class DriverRegistry final {
public:
    // `description` names the device behind the driver for diagnostics ("/dev/spa1", "iio:ads1256").
    void Bind(std::string_view deviceName, std::shared_ptr<StreamDriver> driver,
              std::string description = {});
    void Unbind(std::string_view deviceName);
    // The description bound with the driver; empty when there is none.
    [[nodiscard]] std::string Description(std::string_view deviceName);
    // The bound driver's LastProblem; empty when none is bound.
    [[nodiscard]] std::string LastProblem(std::string_view deviceName);

    // CreateFile for a stream device: InvalidStreamHandle when no driver is bound or the driver refuses.
    [[nodiscard]] StreamHandle Open(std::string_view deviceName);
    // DeviceIoControl: 0 for an unknown handle.
    int IoControl(StreamHandle handle, uint32_t code, uint8_t* output, uint32_t outputLength,
                  uint32_t* bytesReturned);
    // CloseHandle: false for an unknown handle.
    bool Close(StreamHandle handle);

private:
    std::shared_ptr<StreamDriver> DriverOf(StreamHandle handle);

    std::mutex lock;
    struct Binding {
        std::shared_ptr<StreamDriver> driver;
        std::string description;
    };

    std::map<std::string, Binding, std::less<>> bound;
    std::map<StreamHandle, std::shared_ptr<StreamDriver>> open;
    StreamHandle nextHandle = 0x100;
};

DriverRegistry& Drivers();

} // namespace slabcal
