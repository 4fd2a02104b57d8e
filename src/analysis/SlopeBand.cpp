#include "analysis/SlopeBand.h"

#include "analysis/CalibrationAnalysis.h"
#include "fitting/NumberText.h"
#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"

#include <algorithm>
#include <cmath>

namespace slabcal::analysis {
namespace {

struct LogPoint {
    double x = 0; // ln(signal)
    double y = 0; // ln(height)
};

std::optional<LogPoint> Recorded(const CalibrationPoints& points, int row) {
    const PointText& point = points[static_cast<std::size_t>(row)];
    const double height = ReadIntegerPrefix(point.height);
    const double signal = ReadIntegerPrefix(point.signal);
    if (!(height > 0) || !(signal > 0))
        return std::nullopt;
    return LogPoint{std::log(signal), std::log(height)};
}

// How far the row lies, in ln(height), outside what any plausible slope from its neighbour gives.
double OutsideBand(LogPoint row, LogPoint neighbour) {
    const double run = row.x - neighbour.x;
    const double a = neighbour.y + PlausibleSlopes.steepest * run;
    const double b = neighbour.y + PlausibleSlopes.flattest * run;
    const double low = std::min(a, b);
    const double high = std::max(a, b);
    return row.y < low ? row.y - low : row.y > high ? row.y - high : 0.0;
}

} // namespace

double BuiltInSlope(int row) {
    for (std::size_t segment = 0; segment < segments::Table.size(); ++segment) {
        const auto [first, count] = segments::Table[segment];
        if (row >= first && row < first + count)
            return SegmentModel{}.CurveA[segment];
    }
    return SegmentModel{}.CurveA.back();
}

std::optional<double> OffPlausibleSlopes(const CalibrationPoints& points, int row,
                                         std::span<const int> doubtful) {
    const auto at = Recorded(points, row);
    if (!at)
        return std::nullopt;
    const ConverterRange range = segments::RangeOfRow(row);
    std::optional<LogPoint> nearest;
    for (const int step : {-1, 1}) {
        for (int other = row + step; other >= 0 && other < CalibrationRowCount; other += step) {
            if (segments::RangeOfRow(other) != range)
                break;
            if (std::find(doubtful.begin(), doubtful.end(), other) != doubtful.end())
                continue;
            if (const auto neighbour = Recorded(points, other)) {
                // Two rows' noise lie between the row and its neighbour.
                if (!(std::fabs(OutsideBand(*at, *neighbour)) > NoiseLimit(std::sqrt(2.0))))
                    return std::nullopt;
                if (!nearest || std::fabs(neighbour->x - at->x) < std::fabs(nearest->x - at->x))
                    nearest = neighbour;
                break;
            }
        }
    }
    if (!nearest)
        return std::nullopt;
    return at->y - (nearest->y + BuiltInSlope(row) * (at->x - nearest->x));
}

} // namespace slabcal::analysis
