#pragma once

#include "platform/DeviceFileSystem.h"
#include "platform/FileResult.h"

#include <string>

namespace slabcal {

// What became of a save's backup copy.
struct [[nodiscard]] BackupResult {
    FileResult file; // success, or the step of the copy that failed

    // The copy holds the parameter file's bytes: it was made, perhaps without its folders' flushes.
    [[nodiscard]] bool Copied() const;
    // What the operator is told, the same in the window and the subcommands: "拷贝NandFlash文件失败" for a
    // copy that was not made (the earlier copy is whole), that its surviving a power cut is not confirmed
    // for one made without its flushes, nothing for one made.
    [[nodiscard]] std::string OperatorText() const;
};

// The backup step of every save: makes sure \NandFlash\BackUp\ exists and copies the parameter file into
// it (FileCopier), replacing the earlier copy atomically.
BackupResult BackUpParameterFile(const DeviceFileSystem& files);

} // namespace slabcal
