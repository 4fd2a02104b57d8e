#include "records/CalibrationRecord.h"

#include "records/Sha256.h"
#include "storage/UnusedName.h"

#include <algorithm>
#include <cmath>

namespace slabcal {
namespace {

constexpr std::array<std::string_view, 5> KindNames{"calibration", "restore", "fit", "draft", "abandoned"};
constexpr std::array<std::string_view, 4> DecisionNames{"none", "pass", "fail", "indeterminate"};

// The value whose name is `name` in a list of names in the enumeration's order.
template <typename Enum, std::size_t Size>
std::optional<Enum> FromName(const std::array<std::string_view, Size>& names, std::string_view name) {
    for (std::size_t index = 0; index < names.size(); ++index)
        if (names[index] == name)
            return static_cast<Enum>(index);
    return std::nullopt;
}

} // namespace

std::string_view RecordKindName(RecordKind kind) {
    return KindNames[static_cast<std::size_t>(kind)];
}

std::optional<RecordKind> RecordKindFromName(std::string_view name) {
    return FromName<RecordKind>(KindNames, name);
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

std::string_view DecisionName(Decision decision) {
    return DecisionNames[static_cast<std::size_t>(decision)];
}

std::optional<Decision> DecisionFromName(std::string_view name) {
    return FromName<Decision>(DecisionNames, name);
}

Decision OverallDecision(std::span<const PointAssessment> points) {
    Decision overall = Decision::None;
    for (const PointAssessment& point : points) {
        if (point.decision == Decision::Fail || overall == Decision::Fail)
            overall = Decision::Fail;
        else if (point.decision == Decision::Indeterminate || overall == Decision::Indeterminate)
            overall = Decision::Indeterminate;
        else if (point.decision == Decision::Pass)
            overall = Decision::Pass;
    }
    return overall;
}

std::string CertificateNumber(const CalibrationRecord& record, std::string_view fileName) {
    if (fileName.ends_with(".json"))
        fileName.remove_suffix(5);
    const std::string& serial = record.settings.serialNumber;
    return serial.empty() ? std::string(fileName) : serial + "-" + std::string(fileName);
}

std::string_view ProgramVersion() {
    return SLABCAL_VERSION;
}

} // namespace slabcal
