#include "storage/BackUpParameterFile.h"

#include "platform/AtomicFile.h"
#include "storage/DevicePaths.h"
#include "storage/FileCopier.h"
#include "texts/Texts.h"

namespace slabcal {

bool BackupResult::Copied() const {
    return AtomicFile::TargetReplaced(file);
}

std::string BackupResult::OperatorText() const {
    if (!Copied())
        return std::string(texts::CopyFailed);
    if (!file)
        return std::string(texts::BackupNotDurable) + file.Describe();
    return {};
}

BackupResult BackUpParameterFile(const DeviceFileSystem& files) {
    FileCopier copier(files);
    // The copy is tried whatever this says; only the copy's own result counts.
    (void)copier.EnsureFolder(std::string(BackupFolder));
    return {copier.CopyInto(std::string(ParameterFileCopySource), std::string(BackupFolder))};
}

} // namespace slabcal
