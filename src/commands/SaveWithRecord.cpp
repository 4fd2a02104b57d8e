#include "commands/SaveWithRecord.h"

#include "commands/Commands.h"
#include "platform/DeviceRootLock.h"
#include "records/RecordStore.h"
#include "storage/BackUpParameterFile.h"
#include "storage/DevicePaths.h"
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
        err << "slabcal: " << texts::ParameterFileWriteFailed << " (" << stored.Describe() << ")\n";
        return exit_status::Failed;
    }
    if (!stored.keptAside.empty())
        out << texts::UnrecognisedFileKept
            << stored.keptAside.substr(stored.keptAside.find_last_of("\\/") + 1) << '\n';
    int status = exit_status::Success;
    const bool backedUp = BackUpParameterFile(files);
    if (!backedUp) {
        err << "slabcal: " << texts::CopyFailed << '\n';
        status = exit_status::StoredWithFailures;
    }
    out << files.HostPath(ParameterFilePath).value_or("?") << ": "
        << (stored.outcome == StoreOutcome::Stored ? "stored" : "unchanged") << '\n'
        << texts::WriteFinished << '\n';
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
