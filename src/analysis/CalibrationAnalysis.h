#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentFit.h"
#include "fitting/SegmentTable.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace slabcal::analysis {

// Two neighbouring segments that give heights further apart than this at their boundary signal (in
// ln(height), about 2 %) make the gauge's reading jump as the signal crosses the boundary.
inline constexpr double BoundaryJumpLimit = 0.02;

// One recorded point measured against its segment's line.
struct PointCheck {
    int row = 0;
    int segment = 0;
    double height = 0; // as recorded, mm
    double signal = 0;
    double fittedHeight = 0; // what the segment's line gives at the signal, mm
    double deviationMm = 0;  // recorded minus fitted
    double deviationPercent = 0;
    bool worstOfSegment = false;
};

// The row that most likely spoiled a segment, with its deviation from the curve through the other rows
// of its range; `alternative` when a second row explains the segment almost as well.
struct Culprit {
    int row = 0;
    std::optional<int> alternative;
    double deviationPercent = 0;
};

struct SegmentCheck {
    std::optional<SegmentFit> fit; // nothing while a row is missing or the points determine no line
    int worstRow = -1;
    bool overLimit = false;         // the write command will ask "偏差过大,强行写入吗？"
    bool slopeNotNegative = false;  // the signal should fall as the height rises: two rows swapped?
    std::optional<Culprit> culprit; // for a segment over the limit, when the range tells
};

struct BoundaryCheck {
    int row = 0;
    double signal = 0;
    double lowerHeight = 0; // the height the segment below the boundary gives at its signal
    double upperHeight = 0; // the height the segment above gives
    double jumpPercent = 0;
    bool overLimit = false;
};

// Everything the curve window shows about a table, computed from the table alone (and, for the ranges,
// from what the window saw while the rows were saved).
struct CalibrationAnalysis {
    std::vector<PointCheck> points; // each segment's points in segment order; boundary rows twice
    std::array<SegmentCheck, segments::Count> segments;
    std::vector<BoundaryCheck> boundaries; // the boundaries whose two segments are fitted
    std::vector<int> wrongRangeRows;
    std::vector<std::string> findings; // one line for the operator per problem: segments, boundaries, ranges
};

// The range each row's signal was measured on, when known.
using RecordedRanges = std::array<std::optional<ConverterRange>, CalibrationRowCount>;

[[nodiscard]] CalibrationAnalysis Analyse(const CalibrationPoints& points, const RecordedRanges& ranges = {});

// The row, among `candidates`, whose removal leaves the other recorded rows of its range most consistent
// (least squares of a quadratic in ln-ln space), with its deviation from that curve. A segment of three
// points alone cannot tell which one is off: any two of them define a line. Nothing when the range has
// fewer than four other usable rows.
[[nodiscard]] std::optional<Culprit> FindCulprit(const CalibrationPoints& points,
                                                 std::span<const int> candidates);

} // namespace slabcal::analysis
