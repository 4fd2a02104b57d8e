#pragma once

#include "platform/DeviceFileSystem.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace slabcal {

// The UTC time in strftime's `format` ("%Y%m%d-%H%M%S").
[[nodiscard]] std::string UtcStamp(std::chrono::system_clock::time_point time, const char* format);

// stem + extension when `taken` says it is free, else stem + "-2" + extension, "-3", ...: a name for a new
// file that never replaces an earlier one.
[[nodiscard]] std::string UnusedName(const std::string& stem, std::string_view extension,
                                     const std::function<bool(const std::string&)>& taken);

// UnusedName of a device path: taken when the device holds something under it.
[[nodiscard]] std::string UnusedDevicePath(const DeviceFileSystem& files, const std::string& stem,
                                           std::string_view extension = {});

} // namespace slabcal
