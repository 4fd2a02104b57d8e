#include "calibration/CalibrationDialog.h"
#include "platform/ApplicationMessageBox.h"
#include "resources/ControlIds.h"
#include "texts/Texts.h"

#include <string>

namespace slabcal {

void CalibrationDialog::OnWriteParameters() {
    UpdateData(true);
    if (MessageBox(texts::ConfirmSave, texts::NoticeCaption, MessageBoxButtons::YesNo) == IdNo)
        return;
    (void)worksheet->Write(*this);
}

int CalibrationDialog::ComputeSegmentModel() {
    return worksheet->ComputeModel(*this) ? 1 : 0;
}

void CalibrationDialog::InvalidRow(int row) {
    ShowNotice(texts::Numbered(row + 1, texts::InvalidRowSuffix));
}

void CalibrationDialog::FitFailed(int segment) {
    ShowNotice(texts::Numbered(segment + 1, texts::FitFailedSuffix));
}

bool CalibrationDialog::KeepOverLimit(int, const SegmentFit&) {
    return MessageBox(texts::DeviationTooLarge, texts::NoticeCaption, MessageBoxButtons::YesNo) != IdNo;
}

void CalibrationDialog::StoreFailed(const StoreResult&) {
    ApplicationMessageBox(texts::ParameterFileWriteFailed);
}

void CalibrationDialog::KeptAside(std::string_view devicePath) {
    ApplicationMessageBox(std::string(texts::UnrecognisedFileKept)
                              .append(devicePath.substr(devicePath.find_last_of("\\/") + 1)));
}

void CalibrationDialog::BackupFailed() {
    ApplicationMessageBox(texts::CopyFailed);
}

void CalibrationDialog::Finished(const StoreResult&) {
    SetItemText(ids::StatusLine, texts::WriteFinished);
}

void CalibrationDialog::Recorded(std::string_view) {}

void CalibrationDialog::RecordFailed(std::string_view) {
    ApplicationMessageBox(texts::RecordSaveFailed);
}

} // namespace slabcal
