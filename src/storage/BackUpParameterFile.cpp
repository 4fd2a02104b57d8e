#include "storage/BackUpParameterFile.h"

#include "storage/DevicePaths.h"
#include "storage/FileCopier.h"

#include <string>

namespace slabcal {

bool BackUpParameterFile(const DeviceFileSystem& files) {
    FileCopier copier(files);
    // The copy is tried whatever this says; only the copy's own result counts.
    (void)copier.EnsureFolder(std::string(BackupFolder));
    return copier.CopyInto(std::string(ParameterFileCopySource), std::string(BackupFolder));
}

} // namespace slabcal
