#pragma once

#include "analysis/CalibrationAnalysis.h"
#include "worksheet/CalibrationWorksheet.h"

#include <QLabel>

#include <functional>
#include <memory>
#include <optional>

namespace slabcal {

// The ranges the worksheet's rows were measured on, as the analysis takes them.
[[nodiscard]] analysis::RecordedRanges RangesOf(const CalibrationWorksheet& worksheet);

// One line of advice on the row just saved: what SavedRowAdvice says of it the moment it is saved, or
// nothing. A face of the worksheet that only watches: it never asks, never blocks and never touches the
// dialog or its status line. A new save replaces the line; a table taken back empties it.
class AdviceLine final : public QLabel {
public:
    // `worksheet` outlives the line.
    explicit AdviceLine(const CalibrationWorksheet& worksheet, QWidget* parent = nullptr);

    [[nodiscard]] const std::optional<analysis::Finding>& Advice() const { return advice; }
    // Called after every change of the advice, on the UI thread.
    void OnChange(std::function<void()> listener) { changed = std::move(listener); }

private:
    void Changed(const WorksheetEvent& event);

    const CalibrationWorksheet& worksheet;
    std::optional<analysis::Finding> advice;
    std::function<void()> changed;
    CalibrationWorksheet::Subscription subscription;
};

// The advice line on its own, a window at the foot of the screen beside the dialog, for when the curve
// window is not shown: it appears with advice and goes without, never takes the focus from the dialog and
// has no frame to close it by.
[[nodiscard]] std::unique_ptr<AdviceLine> AdviceWindow(const CalibrationWorksheet& worksheet);

} // namespace slabcal
