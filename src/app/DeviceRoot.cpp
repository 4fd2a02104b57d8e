#include "app/DeviceRoot.h"

#include "platform/DeviceFileSystem.h"

namespace slabcal {

std::optional<std::string> PrepareDeviceRoot(const DeviceFileSystem& files) {
    const std::string intro = "cannot use the device root " + files.Root() + ": ";
    if (FileResult made = files.EnsureRoot(); !made)
        return intro + made.Describe();
    // The flash folder through the same checks as the root, so a file in its place is refused as well.
    const std::string flash = *files.HostPath("\\NandFlash");
    if (FileResult made = DeviceFileSystem(flash, files.Host()).EnsureRoot(); !made)
        return intro + flash + ": " + made.Describe();
    return std::nullopt;
}

} // namespace slabcal
