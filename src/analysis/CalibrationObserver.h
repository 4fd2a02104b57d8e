#pragma once

#include "analysis/CalibrationAnalysis.h"
#include "analysis/SettleWindow.h"
#include "fitting/CalibrationPoints.h"

#include <optional>
#include <string>

namespace slabcal::analysis {

// What the dialog shows at one moment, as an observer reads it: the table, the row the next save writes,
// the live signal field and the status line.
struct CalibrationSnapshot {
    CalibrationPoints points;
    int currentRow = 0;
    std::string signal;
    std::string status;

    friend bool operator==(const CalibrationSnapshot&, const CalibrationSnapshot&) = default;
};

// Follows the dialog through snapshots taken at a steady rate (the window's 10 Hz): which rows changed,
// the range each row's signal was measured on, and the last second of the live signal.
//
// The range: the save-point command writes the selected row and moves currentRow on; the signal it saved
// was measured on the range currentRow chose before that save. A row saved while currentRow pointed at
// the other range (a height picked by hand and saved at once) was therefore measured on the wrong one.
class CalibrationObserver final {
public:
    struct Changes {
        bool table = false;
        bool signal = false;
        bool status = false;
    };

    Changes Observe(const CalibrationSnapshot& snapshot);

    [[nodiscard]] const RecordedRanges& Ranges() const { return ranges; }
    [[nodiscard]] SettleWindow::State Settle() const { return settle.Current(); }

private:
    std::optional<CalibrationSnapshot> last;
    RecordedRanges ranges;
    SettleWindow settle;
};

} // namespace slabcal::analysis
