#pragma once

#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentTable.h"

#include <cstdint>
#include <vector>

namespace slabcal::analysis {

// The shapes a converter range's curve is tried in, all in ln(height) against ln(signal):
enum class CurveShape : std::uint8_t {
    Segments,  // straight pieces meeting at the range's boundary rows: the gauge's own model
    Quadratic, // a smooth response with few rows recorded
    Cubic,     // a smooth response whose slope changes along the range
};

// One recorded row left out of its converter range: how far it lies off the curve through the range's
// other recorded rows, and how well those others lie on that curve.
struct LeftOutRow {
    int row = 0;
    CurveShape shape = CurveShape::Segments; // the shape the other rows fit best
    double deviation = 0;                    // ln(recorded height) minus the curve's, at the row's signal
    // The deviation's noise in units of one row's own: 1/√(1 − leverage). Far above 1 where the curve is
    // extrapolated to the row.
    double noiseGain = 1;
    // The other rows' residual variance about the curve, per degree of freedom: the row whose leaving-out
    // makes this smallest is the one the rest of the range disagrees with most.
    double restSpread = 0;
};

// Each recorded row of `range` (a positive height and signal as the write reads them) left out in turn,
// in row order. A row is judged only by a shape its others over-determine (at least one point more than
// the shape has parameters) and that determines the curve at its signal; a row no shape can judge is not
// listed, so a range with fewer than five recorded rows lists none.
[[nodiscard]] std::vector<LeftOutRow> LeaveEachOut(const CalibrationPoints& points, ConverterRange range);

} // namespace slabcal::analysis
