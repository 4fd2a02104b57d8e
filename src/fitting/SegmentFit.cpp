#include "fitting/SegmentFit.h"

#include "fitting/OrthoPolyFit.h"
#include "fitting/SegmentTable.h"

#include <cmath>
#include <cstddef>

namespace slabcal {

double SegmentFit::HeightAt(double signal) const {
    return std::exp(slope * std::log(signal) + intercept);
}

bool SegmentFit::OverLimit() const {
    return maxAbs > segments::DeviationLimit;
}

double LogDeviationPercent(double logDeviation) {
    return std::expm1(logDeviation) * 100.0;
}

// The order of every operation is part of the result, like the fit's own.
std::optional<SegmentFit> FitSegment(std::span<const double> heights, std::span<const double> signals) {
    const std::size_t count = heights.size();
    if (count != signals.size() || count < 2 || count > segments::MaxPoints)
        return std::nullopt;
    double x[segments::MaxPoints] = {};
    double y[segments::MaxPoints] = {};
    double sum = 0;
    for (std::size_t j = 0; j < count; ++j) {
        if (!(heights[j] > 0) || !(signals[j] > 0))
            return std::nullopt;
        y[j] = std::log(heights[j]);
        x[j] = std::log(signals[j]);
        sum = x[j] + sum;
    }
    const double mean = sum / static_cast<double>(count);
    double a[2] = {};
    SegmentFit fit;
    if (OrthoPolyFit(x, y, a, static_cast<int>(count), 2, &fit.sumSquares, &fit.sumAbs, &fit.maxAbs) == 0)
        return std::nullopt;
    fit.slope = a[1];
    fit.intercept = a[0] - (a[1] * mean);
    if (!std::isfinite(fit.slope) || !std::isfinite(fit.intercept) || !std::isfinite(fit.maxAbs))
        return std::nullopt;
    return fit;
}

} // namespace slabcal
