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
    saveStep = SaveStep::Store;
    UpdateData(true);
    if (MessageBox(texts::ConfirmSave, texts::NoticeCaption, MessageBoxButtons::YesNo) == IdNo)
        return;
    if (ComputeSegmentModel() == 0)
        return;
    // A file that was not stored must never be reported as written, and is not backed up; one that was
    // stored is reported as written, whatever follows.
    const StoreResult stored = WriteSegmentModel(model, files);
    if (stored)
        saveStep = SaveStep::BackUp;
    if (const std::string said = stored.OperatorText(); !said.empty())
        ApplicationMessageBox(said);
    if (!stored)
        return;
    if (const std::string kept = stored.KeptAsideText(); !kept.empty())
        ApplicationMessageBox(kept);
    const BackupResult backup = BackUpParameterFile(files);
    if (const std::string said = backup.OperatorText(); !said.empty())
        ApplicationMessageBox(said);
    SetItemText(ids::StatusLine, texts::WriteFinished);
    saveStep = SaveStep::Record;
    // The save is done and said so; a record that cannot be stored is reported on its own.
    if (!RecordSave(stored, backup.Copied()))
        ApplicationMessageBox(texts::RecordSaveFailed);
}

} // namespace slabcal
