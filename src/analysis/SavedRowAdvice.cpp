#include "analysis/SavedRowAdvice.h"

#include <algorithm>

namespace slabcal::analysis {

std::optional<Finding> SavedRowAdvice(const CalibrationPoints& points, const RecordedRanges& ranges,
                                      int row) {
    if (row < 0 || row >= CalibrationRowCount)
        return std::nullopt;
    for (Finding& finding : Analyse(points, ranges).findings) {
        const bool names = std::find(finding.rows.begin(), finding.rows.end(), row) != finding.rows.end();
        bool itsSegment = false;
        if (finding.segment) {
            const auto [first, count] = segments::Table[static_cast<std::size_t>(*finding.segment)];
            itsSegment = row >= first && row < first + count;
        }
        if (names || itsSegment)
            return std::move(finding);
    }
    return std::nullopt;
}

} // namespace slabcal::analysis
