#pragma once

#include "analysis/Finding.h"
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

// The range check's threshold for a row's deviation from the curve through the other rows of its range.
// A settled signal is within SettleWindow::RelativeLimit (0.5 %) of the truth, and the steepest segment
// turns that into at most SteepestSlope × 0.5 % = 0.33 % of height: one row's noise, σ. The deviation's own
// noise is σ × the row's noise gain (more where the curve is extrapolated), and AdviceNoiseMultiple of it
// leaves noise alone to name a row in about one clean table of a hundred thousand; CurveAllowance is for
// probes whose response the curve's shapes follow only to within 1 % of height. How often it names a row
// recorded wrong, and a clean one: bench/DiagnosisBench.cpp.
inline constexpr double SteepestSlope = 0.65;
inline constexpr double AdviceNoiseMultiple = 5;
inline constexpr double CurveAllowance = 0.01;
// AdviceNoiseMultiple × σ × noiseGain: a deviation in ln(height) that noise alone hardly ever reaches.
[[nodiscard]] double NoiseLimit(double noiseGain);

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
    bool named = false; // a finding names its row
};

// The row that most likely spoiled a segment, with its deviation from the curve through the other rows
// of its range; `alternative` when a second row explains the segment almost as well, or when the row is
// not the one the per-point table shows as the segment's worst (that one is then named too).
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
    // One per problem: segments (culprits, swaps), the range check's advice, boundaries, ranges.
    std::vector<Finding> findings;
};

// The range each row's signal was measured on, when known.
using RecordedRanges = std::array<std::optional<ConverterRange>, CalibrationRowCount>;

[[nodiscard]] CalibrationAnalysis Analyse(const CalibrationPoints& points, const RecordedRanges& ranges = {});

// The range check judges a converter range once its rows reach from one end of it to the other (its first
// and last rows recorded): the curve's allowance holds for the whole range, not for a curve drawn through
// part of it and carried on.
[[nodiscard]] bool RangeSpanned(const CalibrationPoints& points, ConverterRange range);

// The row, among `candidates` (rows of one range), whose leaving-out leaves the other recorded rows of its
// range closest to one curve (LeaveEachOut), with its deviation from that curve. A segment of three
// points alone cannot tell which one is off: any two of them define a line. Nothing when the range has
// too few rows recorded to judge a candidate.
[[nodiscard]] std::optional<Culprit> FindCulprit(const CalibrationPoints& points,
                                                 std::span<const int> candidates);

} // namespace slabcal::analysis
