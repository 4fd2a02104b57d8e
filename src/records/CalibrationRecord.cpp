#include "records/CalibrationRecord.h"

#include "records/Sha256.h"
#include "storage/UnusedName.h"

#include <algorithm>
#include <cmath>

namespace slabcal {
namespace {

constexpr std::array<std::string_view, 5> KindNames{"calibration", "restore", "fit", "draft", "abandoned"};

} // namespace

std::string_view RecordKindName(RecordKind kind) {
    return KindNames[static_cast<std::size_t>(kind)];
}

std::optional<RecordKind> RecordKindFromName(std::string_view name) {
    for (std::size_t index = 0; index < KindNames.size(); ++index)
        if (KindNames[index] == name)
            return static_cast<RecordKind>(index);
    return std::nullopt;
}

CalibrationRecord NewTableRecord(RecordKind kind, std::chrono::system_clock::time_point now) {
    CalibrationRecord record;
    record.programVersion = std::string(ProgramVersion());
    record.time = UtcStamp(now, "%Y-%m-%dT%H:%M:%SZ");
    record.kind = kind;
    return record;
}

CalibrationRecord NewRecord(RecordKind kind, const StoreResult& stored, bool backedUp,
                            std::chrono::system_clock::time_point now) {
    CalibrationRecord record = NewTableRecord(kind, now);
    record.values = stored.values;
    record.parameterFileSha256 = Sha256Hex(stored.bytes);
    record.backedUp = backedUp;
    return record;
}

std::array<SegmentRecord, segments::Count>
SegmentRecords(const std::array<std::optional<SegmentFit>, segments::Count>& fits,
               const std::array<bool, segments::Count>& forced) {
    std::array<SegmentRecord, segments::Count> records;
    for (std::size_t segment = 0; segment < records.size(); ++segment)
        records[segment] = {fits[segment].value_or(SegmentFit{}), forced[segment]};
    return records;
}

std::array<std::string, SegmentModelKeys.size()> ValueTexts(const CalibrationRecord& record) {
    std::array<std::string, SegmentModelKeys.size()> texts;
    for (std::size_t index = 0; index < texts.size() && index < record.values.size(); ++index)
        texts[index] = record.values[index].after;
    return texts;
}

double WorstDeviationPercent(const CalibrationRecord& record) {
    double worst = 0;
    for (const auto& segment : record.segments)
        worst = std::max(worst, segment.fit.maxAbs);
    return LogDeviationPercent(worst);
}

int RecordedRowCount(const CalibrationRecord& record) {
    return static_cast<int>(
        std::count_if(record.points.begin(), record.points.end(),
                      [](const PointText& point) { return !point.height.empty() || !point.signal.empty(); }));
}

std::string ForcedSegments(const CalibrationRecord& record) {
    std::string list;
    for (std::size_t segment = 0; segment < record.segments.size(); ++segment) {
        if (record.segments[segment].forced)
            list.append(list.empty() ? "" : ",").append(std::to_string(segment + 1));
    }
    return list;
}

std::string_view ProgramVersion() {
    return SLABCAL_VERSION;
}

} // namespace slabcal
