#pragma once

#include <optional>
#include <span>

namespace slabcal {

// One segment of the calibration: ln(height) = slope × ln(signal) + intercept, with the fit's residuals in
// ln(height).
struct SegmentFit {
    double slope = 0;
    double intercept = 0;
    double sumSquares = 0;
    double sumAbs = 0;
    double maxAbs = 0;

    // The height the line gives for a signal (mm for counts / 1000).
    [[nodiscard]] double HeightAt(double signal) const;
    // The worst point lies more than segments::DeviationLimit off the line: the operator is asked before
    // the segment is kept.
    [[nodiscard]] bool OverLimit() const;

    friend bool operator==(const SegmentFit&, const SegmentFit&) = default;
};

// A distance x in ln(height) as the percentage it puts between two heights: a factor e^x, (e^x − 1) · 100.
[[nodiscard]] double LogDeviationPercent(double logDeviation);

// The one place a segment is fitted: the least-squares line through (ln signal, ln height) of the points,
// to the last bit as the gauge's calibration has always computed it. Nothing when the points do not
// determine a line (fewer than two different signals, a height or signal that is not positive, more than
// segments::MaxPoints points), the fit's storage cannot be had, or a result is not finite.
[[nodiscard]] std::optional<SegmentFit> FitSegment(std::span<const double> heights,
                                                   std::span<const double> signalValues);

} // namespace slabcal
