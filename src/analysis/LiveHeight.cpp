#include "analysis/LiveHeight.h"

#include "analysis/SlopeBand.h"
#include "analysis/StoredComparison.h"
#include "fitting/NumberText.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace slabcal::analysis {
namespace {

struct LogPoint {
    double x = 0; // ln(signal)
    double y = 0; // ln(height)
    int row = 0;
};

std::optional<double> Estimate(const CalibrationPoints& points, ConverterRange range, double signal) {
    std::vector<LogPoint> recorded;
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const PointText& point = points[static_cast<std::size_t>(row)];
        const double height = ReadIntegerPrefix(point.height);
        const double recordedSignal = ReadIntegerPrefix(point.signal);
        if (segments::RangeOfRow(row) == range && height > 0 && recordedSignal > 0)
            recorded.push_back({std::log(recordedSignal), std::log(height), row});
    }
    if (recorded.empty())
        return std::nullopt;
    std::sort(recorded.begin(), recorded.end(),
              [](const LogPoint& a, const LogPoint& b) { return a.x < b.x; });
    const double x = std::log(signal);
    if (x < recorded.front().x - EstimateReach || x > recorded.back().x + EstimateReach)
        return std::nullopt;
    if (recorded.size() == 1)
        return std::exp(recorded[0].y + BuiltInSlope(recorded[0].row) * (x - recorded[0].x));
    // Between the two recorded rows around the signal, or along the two at the nearer end.
    const auto above = std::upper_bound(recorded.begin(), recorded.end(), x,
                                        [](double value, const LogPoint& point) { return value < point.x; });
    const auto upper = std::clamp(above, recorded.begin() + 1, recorded.end() - 1);
    const LogPoint& a = *(upper - 1);
    const LogPoint& b = *upper;
    if (!(b.x > a.x))
        return std::nullopt;
    const double slope = (b.y - a.y) / (b.x - a.x);
    const bool between = x >= a.x && x <= b.x;
    // Beyond the recorded rows, a slope no probe gives (a row off, not yet corrected) must not run away.
    const double used =
        between ? slope : std::clamp(slope, PlausibleSlopes.steepest, PlausibleSlopes.flattest);
    const LogPoint& from = x < a.x ? a : b;
    return std::exp(from.y + used * (x - from.x));
}

} // namespace

std::optional<LiveHeight> LiveHeightAt(const CalibrationPoints& points,
                                       const std::optional<SegmentModel>& written,
                                       const std::optional<SegmentModel>& stored, ConverterRange range,
                                       double signal) {
    if (!(signal > 0) || !std::isfinite(signal))
        return std::nullopt;
    if (written) {
        if (const auto height = HeightAt(*written, range, signal))
            return LiveHeight{*height, false};
    }
    if (const auto height = Estimate(points, range, signal); height && std::isfinite(*height))
        return LiveHeight{*height, true};
    if (stored) {
        if (const auto height = HeightAt(*stored, range, signal))
            return LiveHeight{*height, false};
    }
    return std::nullopt;
}

} // namespace slabcal::analysis
