#include "fitting/TableFit.h"

#include "fitting/NumberText.h"
#include "fitting/RoundToSingle.h"

#include <cmath>
#include <span>

namespace slabcal {

std::optional<int> FirstInvalidRow(const CalibrationPoints& points) {
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const PointText& point = points[static_cast<std::size_t>(row)];
        if (ReadIntegerPrefix(point.height) <= 0 || ReadIntegerPrefix(point.signal) <= 0)
            return row;
        if (segments::BoundaryIndexOfRow(row) &&
            !std::isfinite(RoundToSingle(ReadDecimalPrefix(point.signal))))
            return row;
    }
    return std::nullopt;
}

std::array<std::optional<SegmentFit>, segments::Count> FitTable(const CalibrationPoints& points) {
    std::array<std::optional<SegmentFit>, segments::Count> fits;
    for (std::size_t segment = 0; segment < segments::Table.size(); ++segment) {
        const auto [first, count] = segments::Table[segment];
        std::array<double, segments::MaxPoints> heights{};
        std::array<double, segments::MaxPoints> signals{};
        for (int j = 0; j < count; ++j) {
            const PointText& point = points[static_cast<std::size_t>(first + j)];
            heights[static_cast<std::size_t>(j)] = ReadIntegerPrefix(point.height);
            signals[static_cast<std::size_t>(j)] = ReadIntegerPrefix(point.signal);
        }
        const auto used = static_cast<std::size_t>(count);
        fits[segment] = FitSegment(std::span(heights).first(used), std::span(signals).first(used));
    }
    return fits;
}

std::array<double, segments::BoundaryRows.size()> BoundarySignals(const CalibrationPoints& points) {
    std::array<double, segments::BoundaryRows.size()> signals{};
    for (std::size_t index = 0; index < signals.size(); ++index) {
        const PointText& point = points[static_cast<std::size_t>(segments::BoundaryRows[index])];
        signals[index] = RoundToSingle(ReadDecimalPrefix(point.signal));
    }
    return signals;
}

} // namespace slabcal
