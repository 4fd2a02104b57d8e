#include "calibration/CalibrationDialog.h"
#include "platform/ApplicationMessageBox.h"
#include "resources/ControlIds.h"
#include "storage/DevicePaths.h"
#include "storage/FileCopier.h"
#include "storage/WriteSegmentModel.h"
#include "texts/Texts.h"

namespace slabcal {

void CalibrationDialog::OnWriteParameters() {
    UpdateData(true);
    if (MessageBox(texts::ConfirmSave, texts::NoticeCaption, MessageBoxButtons::YesNo) == IdNo)
        return;
    if (ComputeSegmentModel() == 0)
        return;
    // A file that was not stored must never be reported as written, and is not backed up.
    const StoreResult stored = WriteSegmentModel(model, files);
    if (!stored) {
        ApplicationMessageBox(texts::ParameterFileWriteFailed);
        return;
    }
    if (!stored.keptAside.empty()) {
        const auto name = stored.keptAside.substr(stored.keptAside.find_last_of("\\/") + 1);
        ApplicationMessageBox(std::string(texts::UnrecognisedFileKept) + name);
    }
    FileCopier copier(files);
    (void)copier.EnsureFolder(std::string(BackupFolder));
    if (!copier.CopyInto(std::string(ParameterFileCopySource), std::string(BackupFolder)))
        ApplicationMessageBox(texts::CopyFailed);
    SetItemText(ids::StatusLine, texts::WriteFinished);
}

} // namespace slabcal
