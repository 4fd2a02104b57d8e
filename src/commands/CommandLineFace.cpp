#include "commands/CommandLineFace.h"

#include "commands/Commands.h"
#include "storage/DevicePaths.h"
#include "texts/Texts.h"

#include <variant>

namespace slabcal {

CommandLineFace::CommandLineFace(const DeviceFileSystem& deviceFiles, std::ostream& output,
                                 std::ostream& errors, bool forceOverLimit)
    : files(deviceFiles), out(output), err(errors), force(forceOverLimit) {}

void CommandLineFace::InvalidRow(int row) {
    err << "slabcal: " << texts::Numbered(row + 1, texts::InvalidRowSuffix) << '\n';
}

void CommandLineFace::FitFailed(int segment) {
    err << "slabcal: " << texts::Numbered(segment + 1, texts::FitFailedSuffix) << '\n';
}

bool CommandLineFace::KeepOverLimit(int segment, const SegmentFit&) {
    if (!force)
        err << "slabcal: segment " << segment + 1 << ": " << texts::DeviationTooLarge
            << " (--force writes it); nothing written\n";
    return force;
}

void CommandLineFace::StoreFailed(const StoreResult& stored) {
    err << "slabcal: " << stored.OperatorText() << " (" << stored.Describe() << ")\n";
}

void CommandLineFace::Warning(std::string_view text) {
    err << "slabcal: " << text << '\n';
}

void CommandLineFace::Notice(std::string_view text) {
    out << text << '\n';
}

void CommandLineFace::Finished(const StoreResult& stored) {
    out << files.HostPath(ParameterFilePath).value_or("?") << ": "
        << (stored.outcome == StoreOutcome::Unchanged ? "unchanged" : "stored") << '\n'
        << texts::WriteFinished << '\n';
}

void CommandLineFace::Recorded(std::string_view name) {
    out << "record " << name << '\n';
}

void CommandLineFace::RecordFailed(std::string_view why) {
    err << "slabcal: " << texts::RecordSaveFailed << " (" << why << ")\n";
}

void CommandLineFace::BrokenOff(SaveStep step, std::string_view why) {
    err << "slabcal: " << BrokenOffSaveText(step) << " (" << why << ")\n";
}

int ExitStatus(WriteOutcome outcome) {
    switch (outcome) {
    case WriteOutcome::Refused:
    case WriteOutcome::Declined:
        return exit_status::Refused;
    case WriteOutcome::StoreFailed:
        return exit_status::Failed;
    case WriteOutcome::Stored:
        return exit_status::Success;
    case WriteOutcome::StoredWithFailures:
        break;
    }
    return exit_status::StoredWithFailures;
}

std::optional<DeviceRootLock> LockRoot(const DeviceFileSystem& files, std::ostream& err) {
    auto lock = DeviceRootLock::Acquire(files.Root());
    if (const auto* busy = std::get_if<std::string>(&lock)) {
        err << "slabcal: " << *busy << '\n';
        return std::nullopt;
    }
    return std::move(std::get<DeviceRootLock>(lock));
}

} // namespace slabcal
