#pragma once

#include "analysis/CalibrationObserver.h"

#include <optional>

namespace slabcal {

class Application;

// What the calibration dialog shows now, read on the UI thread without changing it: its table, the row the
// next save writes, the signal field and the status line. Nothing while no calibration dialog is up.
[[nodiscard]] std::optional<analysis::CalibrationSnapshot> DialogSnapshot(const Application& application);

} // namespace slabcal
