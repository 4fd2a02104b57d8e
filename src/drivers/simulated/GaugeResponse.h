#pragma once

namespace slabcal {

// The two measuring ranges of the gauge's AD converter, chosen by control codes 8 (small) and 9 (large).
enum class GaugeRange { Small, Large };

// The simulated probe's physics: the raw converter counts (1000 counts make one signal unit) that a probe
// at `heightMm` above the slab produces on `range`, before noise, rounding and the 24-bit clamp. It inverts
// the gauge's built-in default segments, so a calibration taken from the simulator reproduces them. A
// height of 0 gives +infinity; negative heights are outside the model.
[[nodiscard]] double GaugeResponse(double heightMm, GaugeRange range);

} // namespace slabcal
