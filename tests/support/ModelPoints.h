#pragma once

#include "fitting/CalibrationPoints.h"

#include <array>

namespace slabcal::test {

// The signalTexts the built-in model gives at the fifteen calibration heights, rounded to counts: a table
// every segment of which fits well under the deviation question's limit.
inline CalibrationPoints ModelPoints() {
    const std::array<const char*, 15> heights{"40",  "50",  "70",  "100", "150", "200", "240", "250",
                                              "300", "400", "500", "600", "700", "750", "800"};
    const std::array<const char*, 15> signalTexts{"9895", "6991", "4140", "1922", "797", "376", "236", "8566",
                                                  "5180", "2343", "1266", "765",  "500", "414", "346"};
    CalibrationPoints points;
    for (std::size_t row = 0; row < points.size(); ++row)
        points[row] = {heights[row], signalTexts[row]};
    return points;
}

} // namespace slabcal::test
