#pragma once

#include "fitting/CalibrationPoints.h"

#include <array>
#include <optional>
#include <string_view>

namespace slabcal::points {

// The fifteen calibration heights in millimetres, as the height box lists them. Item i of the height
// box, row i of the point table and entry i here always belong together.
inline constexpr std::array<std::string_view, slabcal::CalibrationRowCount> Heights{
    "40", "50", "70", "100", "150", "200", "240", "250", "300", "400", "500", "600", "700", "750", "800"};
inline constexpr int RowCount = static_cast<int>(Heights.size());

inline constexpr int NumberColumn = 0;
inline constexpr int HeightColumn = 1;
inline constexpr int SignalColumn = 2;

// Which rows each segment is fitted through, and the boundary rows: fitting/SegmentTable.h.

} // namespace slabcal::points
