#pragma once

#include "app/PortOptions.h"

namespace slabcal {

// The calibration window's start-up, from the display check to the dialog's end: the device root and its
// lock, the converter the command line chose, then the dialog on Qt (with the driver's panel and the
// curve window) or, with --headless, on the in-memory backend. Every failure to start is one line on
// standard error and status 2; otherwise 0 once the dialog has ended.
[[nodiscard]] int RunWindow(const CommandLine& line, int argc, char** argv);

} // namespace slabcal
