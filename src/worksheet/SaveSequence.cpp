#include "worksheet/SaveSequence.h"

#include "assessment/AssessPoints.h"
#include "records/RecordStore.h"
#include "storage/BackUpParameterFile.h"

#include <chrono>
#include <exception>

namespace slabcal {

WriteOutcome SaveAndRecord(const DeviceFileSystem& files, const std::function<StoreResult()>& store,
                           RecordKind kind, const std::function<void(CalibrationRecord&)>& describe,
                           SaveFace& face) {
    const StoreResult stored = store();
    if (!stored) {
        face.StoreFailed(stored);
        return WriteOutcome::StoreFailed;
    }
    // From here on the file holds the values: whatever follows is never reported as its failure.
    bool whole = true;
    bool backedUp = false;
    try {
        if (const std::string said = stored.OperatorText(); !said.empty()) {
            face.Warning(said);
            whole = false;
        }
        if (const std::string kept = stored.KeptAsideText(); !kept.empty())
            face.Notice(kept);
        const BackupResult backup = BackUpParameterFile(files);
        backedUp = backup.Copied();
        if (const std::string said = backup.OperatorText(); !said.empty()) {
            face.Warning(said);
            whole = false;
        }
        face.Finished(stored);
    } catch (const std::exception& error) {
        face.BrokenOff(SaveStep::BackUp, error.what());
        return WriteOutcome::StoredWithFailures;
    }
    // The save is done and said so; a record that cannot be stored is reported on its own.
    RecordWriteResult recorded;
    try {
        CalibrationRecord record = NewRecord(kind, stored, backedUp, std::chrono::system_clock::now());
        describe(record);
        record.assessment = AssessPoints(record);
        recorded = WriteRecord(files, record);
    } catch (const std::exception& error) {
        face.RecordFailed(error.what());
        return WriteOutcome::StoredWithFailures;
    }
    if (!recorded.Succeeded()) {
        face.RecordFailed(recorded.file.Describe());
        return WriteOutcome::StoredWithFailures;
    }
    face.Recorded(recorded.name);
    return whole ? WriteOutcome::Stored : WriteOutcome::StoredWithFailures;
}

} // namespace slabcal
