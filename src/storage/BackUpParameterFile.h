#pragma once

#include "platform/DeviceFileSystem.h"

namespace slabcal {

// The backup step of every save: makes sure \NandFlash\BackUp\ exists and copies the parameter file into
// it (FileCopier), replacing the earlier copy atomically. False when the copy failed; the earlier copy
// is then whole.
[[nodiscard]] bool BackUpParameterFile(const DeviceFileSystem& files);

} // namespace slabcal
