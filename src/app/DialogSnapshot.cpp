#include "app/DialogSnapshot.h"

#include "calibration/CalibrationDialog.h"
#include "framework/Application.h"
#include "resources/ControlIds.h"

namespace slabcal {

std::optional<analysis::CalibrationSnapshot> DialogSnapshot(const Application& application) {
    const auto* dialog = dynamic_cast<const CalibrationDialog*>(application.MainWindow());
    if (dialog == nullptr || !dialog->HasWindow())
        return std::nullopt;
    return analysis::CalibrationSnapshot{dialog->Worksheet().Points(), dialog->CurrentRow(),
                                         dialog->GetItemText(ids::SignalField),
                                         dialog->GetItemText(ids::StatusLine)};
}

} // namespace slabcal
