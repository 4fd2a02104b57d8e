#include "calibration/CalibrationDialog.h"
#include "platform/ApplicationMessageBox.h"
#include "records/RecordStore.h"
#include "resources/ControlIds.h"
#include "storage/BackUpParameterFile.h"
#include "storage/WriteSegmentModel.h"
#include "texts/Texts.h"

#include <chrono>
#include <exception>

namespace slabcal {

bool CalibrationDialog::RecordSave(const StoreResult& stored, bool backedUp) const {
    try {
        CalibrationRecord record =
            NewRecord(RecordKind::Calibration, stored, backedUp, std::chrono::system_clock::now());
        record.points = computed.points;
        record.segments = SegmentRecords(computed.fits, computed.forced);
        record.boundarySignals = model.ConsRange;
        return WriteRecord(files, record).Succeeded();
    } catch (const std::exception&) {
        return false; // out of memory: the save itself stands, only its record is missing
    }
}

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
    const bool backedUp = BackUpParameterFile(files);
    if (!backedUp)
        ApplicationMessageBox(texts::CopyFailed);
    SetItemText(ids::StatusLine, texts::WriteFinished);
    // The save is done and said so; a record that cannot be stored is reported on its own.
    if (!RecordSave(stored, backedUp))
        ApplicationMessageBox(texts::RecordSaveFailed);
}

} // namespace slabcal
