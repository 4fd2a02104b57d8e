#pragma once

#include "records/CalibrationRecord.h"

#include <vector>

namespace slabcal {

// k of the expanded uncertainty U = k · u_c: about 95 % coverage for a normal distribution.
inline constexpr double CoverageFactor = 2;
// The signal's resolution: one count of its last digit.
inline constexpr double SignalResolution = 1;

// Every recorded row of a save's record judged against its reference height (the row's height text, read
// as the calibration reads it), from what the record holds:
// - as-found: the height the values the file held before the save (`old`) give for the row's signal,
//   none when one of them was missing or not a number (a first calibration);
// - as-left: the height the values the save left give, read as the gauge reads the file's texts; the
//   gauge's rule picks the segment (SegmentAt) on the row's converter range;
// - the standard uncertainties of the as-left reading, each in mm: the reference height's tolerance t as a
//   rectangular distribution (t / √3), the signal's repeatability s (the settled samples' standard
//   deviation, none for a row typed by hand) and the resolution (1 / √12 counts), both through the
//   sensitivity c = |a| · h / x (a the segment's slope, h the as-left height, x the signal), and the fit's
//   lack of fit h · √(sumSquares / n), the segment's root-mean-square residual in ln(height);
// - U = k · √(sum of their squares), k = 2;
// - with a permissible error E at the reference height, the guarded-acceptance decision: pass when
//   |error| + U ≤ E, fail when |error| − U > E, indeterminate between.
// Empty when the record's values do not make a model (a record without a save).
[[nodiscard]] std::vector<PointAssessment> AssessPoints(const CalibrationRecord& record);

} // namespace slabcal
