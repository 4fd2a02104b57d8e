#pragma once

#include "fitting/SegmentFit.h"
#include "fitting/SegmentTable.h"

#include <array>
#include <cstddef>

namespace slabcal {

// The six power-law segments of the gauge: ln(height) = CurveA[i] * ln(signal) + CurveB[i], and the four
// boundary signals where neighbouring segments of one converter range meet. Every run starts from the
// built-in defaults below; the parameter file is output only.
struct SegmentModel {
    std::array<double, segments::Count> CurveA{-0.6423, -0.4605, -0.3915, -0.3625, -0.3625, -0.3625};
    // Segment 5's intercept is a placeholder the gauge has always shipped with.
    std::array<double, segments::Count> CurveB{9.5979, 8.087, 7.6199, 8.8041, 8.8041, 0.0};
    std::array<double, segments::BoundaryCount> ConsRange{4063, 776, 1200, 480};

    // Segment `segment` as a line (its residual measures are not the model's).
    [[nodiscard]] SegmentFit Segment(std::size_t segment) const { return {CurveA[segment], CurveB[segment]}; }
    // The one place a fitted segment becomes part of the model.
    void SetSegment(std::size_t segment, const SegmentFit& fit) {
        CurveA[segment] = fit.slope;
        CurveB[segment] = fit.intercept;
    }

    friend bool operator==(const SegmentModel&, const SegmentModel&) = default;
};

} // namespace slabcal
