#include "commands/SaveWithRecord.h"

#include "commands/Commands.h"
#include "platform/DeviceRootLock.h"
#include "records/RecordStore.h"
#include "storage/BackUpParameterFile.h"
#include "storage/DevicePaths.h"
#include "storage/SaveStep.h"
#include "texts/Texts.h"

#include <chrono>
#include <exception>
#include <variant>

namespace slabcal {

int SaveWithRecord(const DeviceFileSystem& files, const std::function<StoreResult()>& store, RecordKind kind,
                   const std::function<void(CalibrationRecord&)>& describe, std::ostream& out,
                   std::ostream& err) {
    // Two programs saving into one root would remove each other's temporary files.
    auto lock = DeviceRootLock::Acquire(files.Root());
    if (const auto* busy = std::get_if<std::string>(&lock)) {
        err << "slabcal: " << *busy << '\n';
        return exit_status::Refused;
    }
    const StoreResult stored = store();
    if (!stored) {
        err << "slabcal: " << stored.OperatorText() << " (" << stored.Describe() << ")\n";
        return exit_status::Failed;
    }
    int status = exit_status::Success;
    bool backedUp = false;
    try {
        if (const std::string said = stored.OperatorText(); !said.empty()) {
            err << "slabcal: " << said << '\n';
            status = exit_status::StoredWithFailures;
        }
        if (const std::string kept = stored.KeptAsideText(); !kept.empty())
            out << kept << '\n';
        const BackupResult backup = BackUpParameterFile(files);
        backedUp = backup.Copied();
        if (const std::string said = backup.OperatorText(); !said.empty()) {
            err << "slabcal: " << said << '\n';
            status = exit_status::StoredWithFailures;
        }
        out << files.HostPath(ParameterFilePath).value_or("?") << ": "
            << (stored.outcome == StoreOutcome::Unchanged ? "unchanged" : "stored") << '\n'
            << texts::WriteFinished << '\n';
    } catch (const std::exception& error) {
        // Out of memory after the file was stored: say how far the save came, as the window does.
        err << "slabcal: " << BrokenOffSaveText(SaveStep::BackUp) << " (" << error.what() << ")\n";
        return exit_status::StoredWithFailures;
    }
    RecordWriteResult recorded;
    try {
        CalibrationRecord record = NewRecord(kind, stored, backedUp, std::chrono::system_clock::now());
        describe(record);
        recorded = WriteRecord(files, record);
    } catch (const std::exception& error) {
        err << "slabcal: " << texts::RecordSaveFailed << " (" << error.what() << ")\n";
        return exit_status::StoredWithFailures;
    }
    if (!recorded.Succeeded()) {
        err << "slabcal: " << texts::RecordSaveFailed << " (" << recorded.file.Describe() << ")\n";
        return exit_status::StoredWithFailures;
    }
    out << "record " << recorded.name << '\n';
    return status;
}

} // namespace slabcal
