#pragma once

#include "platform/ConverterContract.h"

namespace slabcal {

// The simulated probe's physics: the raw converter counts (1000 counts make one signal unit) that a probe
// at `heightMm` above the slab produces on `range`, before noise, rounding and the 24-bit clamp. It inverts
// the gauge's built-in default segments, so a calibration taken from the simulator reproduces them. A
// height of 0 gives +infinity; negative heights are outside the model.
[[nodiscard]] double GaugeResponse(double heightMm, ConverterRange range);

} // namespace slabcal
