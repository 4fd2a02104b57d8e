#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentFit.h"
#include "fitting/SegmentTable.h"
#include "records/CalibrationSettings.h"
#include "records/PointAssessment.h"
#include "records/SignalSpread.h"
#include "storage/StoreResult.h"
#include "storage/WriteSegmentModel.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

// The format this program writes; a record of a higher version is left alone rather than misread. Format 2
// added the settings, the conditions, each row's signal spread and the points' assessment; a record of
// format 1 has none of them.
inline constexpr int RecordFormatVersion = 2;

// What stored the values: the dialog's write command, a restore of an earlier record, or `slabcal fit`; or,
// without any save, a table being recorded (the worksheet kept between saves, never in the records'
// folder) and a table the operator turned down at start (kept aside, never deleted unseen).
enum class RecordKind : std::uint8_t { Calibration, Restore, Fit, Draft, Abandoned };

// A record of a save: it holds values, segments, the file's checksum and its backup's outcome. Drafts and
// abandoned tables hold only their rows.
[[nodiscard]] constexpr bool RecordsASave(RecordKind kind) {
    return kind == RecordKind::Calibration || kind == RecordKind::Restore || kind == RecordKind::Fit;
}

[[nodiscard]] std::string_view RecordKindName(RecordKind kind);
[[nodiscard]] std::optional<RecordKind> RecordKindFromName(std::string_view name);

// One segment as it was fitted, and whether the operator kept it past the deviation question.
struct SegmentRecord {
    SegmentFit fit;
    bool forced = false;

    friend bool operator==(const SegmentRecord&, const SegmentRecord&) = default;
};

// What one save of the parameter file did: the points and fits behind it, the sixteen values before and
// after, and a checksum of the file it left. Written once, never changed.
struct CalibrationRecord {
    int formatVersion = RecordFormatVersion;
    std::string programVersion;
    std::string time; // UTC, "2024-05-01T10:11:12Z"
    RecordKind kind = RecordKind::Calibration;
    CalibrationPoints points;
    // The converter range each row's signal was measured on, when known.
    std::array<std::optional<ConverterRange>, CalibrationRowCount> measuredOn;
    // A draft's (and an abandoned table's): the row its next save writes.
    std::optional<std::int32_t> currentRow;
    std::array<SegmentRecord, segments::Count> segments;
    std::array<double, segments::BoundaryRows.size()> boundarySignals{};
    std::vector<StoredValue> values; // the sixteen keys in the order the file sets them
    std::string parameterFileSha256; // lowercase hex of the parameter file's bytes after the save
    bool backedUp = false;           // the backup copy succeeded
    std::string restoredFrom;        // Restore: the record (file name) whose values were restored
    // Format 2 (a save's record): the settings file as read at the save, the operator and conditions,
    // each row's signal spread (none for a row typed by hand) and every recorded row judged.
    CalibrationSettings settings;
    CalibrationConditions conditions;
    std::array<std::optional<SignalSpread>, CalibrationRowCount> spreads;
    std::vector<PointAssessment> assessment;

    friend bool operator==(const CalibrationRecord&, const CalibrationRecord&) = default;
};

// A record of a save that succeeded (stored.Succeeded()): its time, the file's values and checksum, and
// this program's version; the points, segments and boundary signals are the caller's.
[[nodiscard]] CalibrationRecord NewRecord(RecordKind kind, const StoreResult& stored, bool backedUp,
                                          std::chrono::system_clock::time_point now);
// A record of a table without a save (a draft, an abandoned table): its kind, time and this program's
// version; the rows and boundary signals are the caller's.
[[nodiscard]] CalibrationRecord NewTableRecord(RecordKind kind, std::chrono::system_clock::time_point now);

// The rows a record holds that were saved (a height or a signal recorded).
[[nodiscard]] int RecordedRowCount(const CalibrationRecord& record);

// The segments of a fit, marking those whose index is in `forced`.
[[nodiscard]] std::array<SegmentRecord, segments::Count>
SegmentRecords(const std::array<std::optional<SegmentFit>, segments::Count>& fits,
               const std::array<bool, segments::Count>& forced);

// The sixteen value texts the save left in the file, in the order of SegmentModelKeys (the record's
// `values` hold them in that order; a missing one is empty).
[[nodiscard]] std::array<std::string, SegmentModelKeys.size()> ValueTexts(const CalibrationRecord& record);

// The worst point of any segment as a percentage of its height: a residual x in ln(height) is a factor
// e^x off the line.
[[nodiscard]] double WorstDeviationPercent(const CalibrationRecord& record);

// The segments the operator forced past the deviation question, numbered from 1 as the dialog counts
// them ("2,5"); empty when none.
[[nodiscard]] std::string ForcedSegments(const CalibrationRecord& record);

// The record's certificate number: the gauge's serial number (when the record names one) and the record's
// file name without ".json", which is unique on the device ("SG-0117-20261207T120000Z-2").
[[nodiscard]] std::string CertificateNumber(const CalibrationRecord& record, std::string_view fileName);

// This program's version, as `slabcal --version` prints it.
[[nodiscard]] std::string_view ProgramVersion();

} // namespace slabcal
