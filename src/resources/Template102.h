#pragma once

#include "framework/DialogTemplate.h"

namespace slabcal {

// The calibration dialog's template: frame, font and controls in creation and tab order.
[[nodiscard]] const DialogTemplate& Template102();

} // namespace slabcal
