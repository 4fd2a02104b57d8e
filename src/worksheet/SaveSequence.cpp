#include "worksheet/SaveSequence.h"

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
    if (!stored.keptAside.empty())
        face.KeptAside(stored.keptAside);
    const bool backedUp = BackUpParameterFile(files);
    if (!backedUp)
        face.BackupFailed();
    face.Finished(stored);
    // The save is done and said so; a record that cannot be stored is reported on its own.
    RecordWriteResult recorded;
    try {
        CalibrationRecord record = NewRecord(kind, stored, backedUp, std::chrono::system_clock::now());
        describe(record);
        recorded = WriteRecord(files, record);
    } catch (const std::exception& error) {
        face.RecordFailed(error.what()); // out of memory: the save itself stands
        return WriteOutcome::StoredWithFailures;
    }
    if (!recorded.Succeeded()) {
        face.RecordFailed(recorded.file.Describe());
        return WriteOutcome::StoredWithFailures;
    }
    face.Recorded(recorded.name);
    return backedUp ? WriteOutcome::Stored : WriteOutcome::StoredWithFailures;
}

} // namespace slabcal
