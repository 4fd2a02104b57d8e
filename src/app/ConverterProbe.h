#pragma once

#include "app/PortOptions.h"

#include <ostream>

namespace slabcal {

// `slabcal probe`: opens the converter --device names exactly as the window does (open, initialise, the
// sampling worker with its five reads, its range call and its pauses), prints one line a cycle with the
// averaged signal and the cycle's length, and any problem the driver reports, then closes it. For the
// integrator checking the wiring and the settings without the window.
//
// Exit status: 0 when `count` cycles were read; 1 when the converter could not be opened, was lost or gave
// no signal within ProbeCycleBound; 2 when no converter could even be made (a settings file that cannot be
// read).
[[nodiscard]] int RunProbe(const PortOptions& port, const ProbeOptions& probe, std::ostream& out,
                           std::ostream& err);

} // namespace slabcal
