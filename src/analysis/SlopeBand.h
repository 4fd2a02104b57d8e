#pragma once

#include "fitting/CalibrationPoints.h"

#include <optional>
#include <span>

namespace slabcal::analysis {

// The slopes, ln(height) per ln(signal), between two neighbouring rows of one range that any probe of this
// gauge gives: its built-in segments lie between −0.36 and −0.65, smooth responses of probes between
// about −0.29 and −0.75 (noise of 0.5 % included). Outside them lies a probe not moved, the gauge at
// another row's height or a reading on the other range.
struct SlopeBand {
    double steepest = -1.0;
    double flattest = -0.25;
};
inline constexpr SlopeBand PlausibleSlopes{};

// The slope expected around a row where its neighbours tell nothing better: the built-in model's, of the
// first segment through the row.
[[nodiscard]] double BuiltInSlope(int row);

// When the slope from row `row` to each of its nearest recorded neighbours on its range (one each side,
// passing over the rows in `doubtful`) lies outside PlausibleSlopes by more than two rows' noise: how far,
// in ln(height), the row lies off the built-in slope through the nearer neighbour. Nothing when a slope is
// plausible, or the row has no such neighbour.
[[nodiscard]] std::optional<double> OffPlausibleSlopes(const CalibrationPoints& points, int row,
                                                       std::span<const int> doubtful);

} // namespace slabcal::analysis
