#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"

#include <optional>
#include <vector>

namespace slabcal::analysis {

// The segment the gauge measures a signal of one range with: the boundary signals pick it, on the small
// range segment 0 down to ConsRange0, segment 1 down to ConsRange1, segment 2 below; on the large range
// segments 3, 4 and 5 the same way with ConsRange2 and ConsRange3.
[[nodiscard]] std::size_t SegmentAt(const SegmentModel& model, ConverterRange range, double signal);

// The height a model gives for a signal measured on one range, on the segment SegmentAt picks. Nothing
// for a signal that is not positive.
[[nodiscard]] std::optional<double> HeightAt(const SegmentModel& model, ConverterRange range, double signal);

// The model the write command would store for this table, as the file would then hold it (each value in
// single precision with four decimals). Nothing while a row is invalid or a segment cannot be fitted.
[[nodiscard]] std::optional<SegmentModel> ModelToWrite(const CalibrationPoints& points);

// For one calibration row: the height the gauge gives now for the recorded signal, the height it would
// give after the write, and the difference.
struct HeightComparison {
    int row = 0;
    double signal = 0;
    std::optional<double> storedHeight;
    std::optional<double> newHeight;
    std::optional<double> differenceMm; // new minus stored
};

// One entry per recorded row (a row whose signal does not read as a positive number is left out).
[[nodiscard]] std::vector<HeightComparison> CompareWithStored(const CalibrationPoints& points,
                                                              const std::optional<SegmentModel>& stored);

} // namespace slabcal::analysis
