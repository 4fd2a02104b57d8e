#pragma once

#include "analysis/CalibrationAnalysis.h"

#include <optional>

namespace slabcal::analysis {

// What to tell the operator the moment row `row` has been saved: the finding of Analyse that names it (a
// culprit, the range check's advice, a row on the other range) or its segment; else, while its range is
// not yet spanned (RangeSpanned), advice when its slope against the nearest recorded rows of its range lies
// outside PlausibleSlopes, with its deviation from the built-in slope through the nearer neighbour.
// Nothing when neither speaks of it.
[[nodiscard]] std::optional<Finding> SavedRowAdvice(const CalibrationPoints& points,
                                                    const RecordedRanges& ranges, int row);

// The slopes, ln(height) per ln(signal), between two neighbouring rows of one range that any probe of this
// gauge gives: its built-in segments lie between −0.36 and −0.65, smooth responses of probes between
// about −0.29 and −0.75 (noise of 0.5 % included). Outside them lies a probe not moved, two rows swapped,
// the gauge at another row's height or a reading on the other range.
struct SlopeBand {
    double steepest = -1.0;
    double flattest = -0.25;
};
inline constexpr SlopeBand PlausibleSlopes{};

// The slope expected around a row where its neighbours tell nothing better: the built-in model's, of the
// first segment through the row.
[[nodiscard]] double BuiltInSlope(int row);

} // namespace slabcal::analysis
