#pragma once

#include <array>
#include <string>

namespace slabcal {

// One recorded row of the point table: the height and signal texts exactly as they stand in the cells.
struct PointText {
    std::string height;
    std::string signal;

    friend bool operator==(const PointText&, const PointText&) = default;
};

// The fifteen rows of a calibration, row 0 first (heights 40 to 800 mm as the dialog lists them).
inline constexpr int CalibrationRowCount = 15;
using CalibrationPoints = std::array<PointText, CalibrationRowCount>;

} // namespace slabcal
