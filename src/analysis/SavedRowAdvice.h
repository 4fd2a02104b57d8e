#pragma once

#include "analysis/CalibrationAnalysis.h"

#include <optional>

namespace slabcal::analysis {

// What to tell the operator the moment row `row` has been saved: the finding of Analyse, on the table as it
// stands with the rows recorded so far, that names the row or concerns its segment. While the row's range
// is recorded only in part, that is a culprit of a complete segment over the limit, a slope to its
// neighbours no probe gives, or a reading on the other range; once the range reaches from end to end,
// the range check's advice as well. Nothing when no finding speaks of it.
[[nodiscard]] std::optional<Finding> SavedRowAdvice(const CalibrationPoints& points,
                                                    const RecordedRanges& ranges, int row);

} // namespace slabcal::analysis
