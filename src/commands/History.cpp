#include "commands/Commands.h"
#include "records/RecordStore.h"
#include "records/Sha256.h"
#include "storage/DevicePaths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <variant>

namespace slabcal {
namespace {

// The worst point of any segment as a percentage of its height: a residual x in ln(height) is a factor
// e^x off the line.
std::string WorstDeviation(const CalibrationRecord& record) {
    double worst = 0;
    for (const auto& segment : record.segments)
        worst = std::max(worst, segment.fit.maxAbs);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", std::expm1(worst) * 100);
    return text;
}

// Segment numbers from 1, as the dialog counts them, or "-".
std::string Forced(const CalibrationRecord& record) {
    std::string list;
    for (std::size_t segment = 0; segment < record.segments.size(); ++segment)
        if (record.segments[segment].forced)
            list += (list.empty() ? "" : ",") + std::to_string(segment + 1);
    return list.empty() ? "-" : list;
}

std::string Describe(const CalibrationRecord& record) {
    std::string kind(RecordKindName(record.kind));
    if (record.kind == RecordKind::Restore)
        kind += " of " + record.restoredFrom;
    return record.time + "  " + kind + "  worst " + WorstDeviation(record) + "  forced " + Forced(record);
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
