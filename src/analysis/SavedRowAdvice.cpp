#include "analysis/SavedRowAdvice.h"

#include "fitting/NumberText.h"
#include "fitting/SegmentModel.h"

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

bool InSegment(int row, int segment) {
    const auto [first, count] = segments::Table[static_cast<std::size_t>(segment)];
    return row >= first && row < first + count;
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
        if (InSegment(row, static_cast<int>(segment)))
            return SegmentModel{}.CurveA[segment];
    }
    return SegmentModel{}.CurveA.back();
}

std::optional<Finding> SavedRowAdvice(const CalibrationPoints& points, const RecordedRanges& ranges,
                                      int row) {
    if (row < 0 || row >= CalibrationRowCount)
        return std::nullopt;
    const auto saved = Recorded(points, row);
    if (!saved)
        return std::nullopt;
    for (Finding& finding : Analyse(points, ranges).findings) {
        const bool names = std::find(finding.rows.begin(), finding.rows.end(), row) != finding.rows.end();
        if (names || (finding.segment && InSegment(row, *finding.segment)))
            return std::move(finding);
    }
    const ConverterRange range = segments::RangeOfRow(row);
    if (RangeSpanned(points, range))
        return std::nullopt; // the curve through the range judged it, and found nothing
    // No curve yet: its nearest recorded neighbours on the range, one each side.
    bool outside = false;
    std::optional<LogPoint> nearest;
    for (const int step : {-1, 1}) {
        for (int other = row + step; other >= 0 && other < CalibrationRowCount; other += step) {
            if (segments::RangeOfRow(other) != range)
                break;
            if (const auto neighbour = Recorded(points, other)) {
                // Two rows' noise lie between the row and its neighbour.
                outside = outside || std::fabs(OutsideBand(*saved, *neighbour)) > NoiseLimit(std::sqrt(2.0));
                if (!nearest || std::fabs(neighbour->x - saved->x) < std::fabs(nearest->x - saved->x))
                    nearest = neighbour;
                break;
            }
        }
    }
    if (!outside)
        return std::nullopt;
    const double expected = nearest->y + BuiltInSlope(row) * (saved->x - nearest->x);
    return AdviceFinding({row}, LogDeviationPercent(saved->y - expected));
}

} // namespace slabcal::analysis
