#pragma once

#include <optional>
#include <string>

namespace slabcal {

class DeviceFileSystem;

// Makes the device root and its NandFlash folder (where the board mounts its flash disk) ready for use,
// creating what is missing. Nothing when both are folders; otherwise the one line that says which path
// cannot be used and why.
[[nodiscard]] std::optional<std::string> PrepareDeviceRoot(const DeviceFileSystem& files);

} // namespace slabcal
