#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"

#include <optional>

namespace slabcal::analysis {

// Where the live marker stands: the height for the live signal, and whether it is only an estimate from a
// table still being recorded.
struct LiveHeight {
    double height = 0;
    bool estimate = false;
};

// An estimate reaches at most this far (in ln(signal), a factor 3) beyond the signals recorded on the
// range: further than the widest step between two rows (about 2.4), not so far that a curve bending
// away makes it meaningless.
inline constexpr double EstimateReach = 1.0986;

// The height for `signal` on `range`: the new fit's (`written`, what the write would store) when the table
// is complete; else an estimate from the rows recorded on the range, through the two nearest in signal
// (or along the built-in model's slope through the only one), within EstimateReach of them; else the
// stored calibration's. Nothing when none of them gives one.
[[nodiscard]] std::optional<LiveHeight> LiveHeightAt(const CalibrationPoints& points,
                                                     const std::optional<SegmentModel>& written,
                                                     const std::optional<SegmentModel>& stored,
                                                     ConverterRange range, double signal);

} // namespace slabcal::analysis
