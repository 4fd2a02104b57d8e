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

void CalibrationDialog::StoreFailed(const StoreResult& stored) {
    ApplicationMessageBox(stored.OperatorText());
}

void CalibrationDialog::Warning(std::string_view text) {
    ApplicationMessageBox(text);
}

void CalibrationDialog::Notice(std::string_view text) {
    ApplicationMessageBox(text);
}

void CalibrationDialog::Finished(const StoreResult&) {
    SetItemText(ids::StatusLine, texts::WriteFinished);
}

void CalibrationDialog::Recorded(std::string_view) {}

void CalibrationDialog::RecordFailed(std::string_view) {
    ApplicationMessageBox(texts::RecordSaveFailed);
}

void CalibrationDialog::BrokenOff(SaveStep step, std::string_view) {
    ApplicationMessageBox(BrokenOffSaveText(step));
}

} // namespace slabcal
