#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentFit.h"
#include "fitting/SegmentTable.h"

#include <array>
#include <optional>

namespace slabcal {

// The first row whose height or signal does not read as a positive integer (a logarithm of zero or of a
// negative number must never reach the fit), or, for a boundary row, whose signal is not a finite number
// in single precision (it becomes a boundary signal of the file). Nothing when all fifteen rows are valid.
[[nodiscard]] std::optional<int> FirstInvalidRow(const CalibrationPoints& points);

// The six segments fitted from the rows as the calibration has always read them (the integer prefix of
// each text). A segment is empty when its points do not determine a line. Check FirstInvalidRow first:
// a row that is not valid leaves its segments empty.
[[nodiscard]] std::array<std::optional<SegmentFit>, segments::Count>
FitTable(const CalibrationPoints& points);

// The boundary signals ConsRange0 to 3 the save-point command captures from rows 2, 4, 10 and 12: each
// signal text read as a decimal, rounded to single precision and widened back.
[[nodiscard]] std::array<double, segments::BoundaryRows.size()>
BoundarySignals(const CalibrationPoints& points);

} // namespace slabcal
