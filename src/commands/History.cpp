#include "commands/Commands.h"
#include "records/RecordStore.h"
#include "records/Sha256.h"
#include "storage/DevicePaths.h"

#include <cstdio>
#include <optional>
#include <variant>

namespace slabcal {
namespace {

std::string Describe(const CalibrationRecord& record) {
    std::string kind(RecordKindName(record.kind));
    if (record.kind == RecordKind::Restore)
        kind += " of " + record.restoredFrom;
    char worst[32];
    std::snprintf(worst, sizeof worst, "%.2f %%", WorstDeviationPercent(record));
    const std::string forced = ForcedSegments(record);
    return record.time + "  " + kind + "  worst " + worst + "  forced " + (forced.empty() ? "-" : forced);
}

} // namespace

int RunHistory(const DeviceFileSystem& files, std::ostream& out, std::ostream& err) {
    std::vector<ListedRecord> records;
    if (FileResult listed = ListRecords(files, records); !listed) {
        err << "slabcal: cannot list " << files.HostPath(RecordFolder).value_or("?") << ": "
            << listed.Describe() << '\n';
        return exit_status::Failed;
    }
    if (records.empty()) {
        out << "no calibration records in " << files.HostPath(RecordFolder).value_or("?") << '\n';
        return exit_status::Success;
    }
    std::optional<std::string> current;
    if (std::string bytes; files.ReadFile(ParameterFilePath, bytes))
        current = Sha256Hex(bytes);
    for (const auto& [name, entry] : records) {
        out << name << "  ";
        if (const auto* error = std::get_if<RecordError>(&entry)) {
            out << (error->problem == RecordProblem::NewerVersion ? "" : "damaged: ") << error->detail
                << '\n';
            continue;
        }
        const auto& record = std::get<CalibrationRecord>(entry);
        out << Describe(record) << (record.parameterFileSha256 == current ? "  current" : "") << '\n';
    }
    return exit_status::Success;
}

} // namespace slabcal
