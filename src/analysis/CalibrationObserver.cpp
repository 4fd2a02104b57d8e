#include "analysis/CalibrationObserver.h"

#include "fitting/NumberText.h"

namespace slabcal::analysis {

CalibrationObserver::Changes CalibrationObserver::Observe(const CalibrationSnapshot& snapshot) {
    Changes changes{true, true, true};
    if (last) {
        changes = {snapshot.points != last->points, snapshot.signal != last->signal,
                   snapshot.status != last->status};
        for (std::size_t row = 0; row < snapshot.points.size(); ++row) {
            if (snapshot.points[row] != last->points[row])
                ranges[row] = segments::RangeOfRow(last->currentRow);
        }
    }
    // Every sample counts, changed or not: a signal that stays the same is a settled one.
    settle.Add(ReadDecimalPrefix(snapshot.signal));
    last = snapshot;
    return changes;
}

} // namespace slabcal::analysis
