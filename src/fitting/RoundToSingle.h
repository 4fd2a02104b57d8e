#pragma once

#include <cmath>
#include <limits>

namespace slabcal {

// double to float as IEEE rounding does it, to the nearest; a magnitude beyond the float range becomes an
// infinity. A plain cast leaves the out-of-range case undefined.
[[nodiscard]] inline float RoundToSingle(double value) {
    // Half a unit above the largest float: from here on, rounding to nearest gives infinity.
    constexpr double overflow = 0x1.ffffffp127;
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (std::fabs(value) >= overflow)
        return value < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

} // namespace slabcal
