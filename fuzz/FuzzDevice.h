#pragma once

#include "platform/DeviceFileSystem.h"
#include "support/MemoryFileSystem.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace slabcal {

// A device held in memory with a parameter file in place, made afresh for every fuzz input: no disk is
// touched, so an input runs in microseconds and leaves nothing behind.
class FuzzDevice final {
public:
    explicit FuzzDevice(std::string_view parameterFileBytes);
    FuzzDevice(const FuzzDevice&) = delete;
    FuzzDevice& operator=(const FuzzDevice&) = delete;

    [[nodiscard]] const DeviceFileSystem& Files() const { return files; }
    // The parameter file's bytes as they stand now; a missing file breaks a property.
    [[nodiscard]] std::string ParameterFileBytes() const;
    // Changes made to the device so far (see MemoryFileSystem::ChangeCount).
    [[nodiscard]] std::size_t ChangeCount() const { return host.ChangeCount(); }
    [[nodiscard]] std::size_t OpenDescriptors() const { return host.OpenDescriptors(); }

private:
    MemoryFileSystem host;
    DeviceFileSystem files;
    std::string hostPath;
};

} // namespace slabcal
