#include "calibration/CalibrationDialog.h"
#include "platform/ApplicationMessageBox.h"
#include "resources/ControlIds.h"
#include "resources/Texts.h"
#include "storage/DevicePaths.h"
#include "storage/FileCopier.h"
#include "storage/WriteSegmentModel.h"

namespace slabcal {

void CalibrationDialog::OnWriteParameters() {
    UpdateData(true);
    if (MessageBox(texts::ConfirmSave, texts::NoticeCaption, MessageBoxButtons::YesNo) == IdNo)
        return;
    if (ComputeSegmentModel() == 0)
        return;
    // A file that was not stored must never be reported as written, and is not backed up.
    if (!WriteSegmentModel(model, files)) {
        ApplicationMessageBox(texts::ParameterFileWriteFailed);
        return;
    }
    FileCopier copier(files);
    (void)copier.EnsureFolder(std::string(BackupFolder));
    if (!copier.CopyInto(std::string(ParameterFileCopySource), std::string(BackupFolder)))
        ApplicationMessageBox(texts::CopyFailed);
    SetItemText(ids::StatusLine, texts::WriteFinished);
}

} // namespace slabcal
