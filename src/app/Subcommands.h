#pragma once

#include "app/PortOptions.h"

#include <istream>
#include <ostream>

namespace slabcal {

// The subcommands RunSubcommand runs: all but the certificate, which is drawn with Qt.
[[nodiscard]] bool RunsWithoutWindow(Subcommand subcommand);

// Runs the subcommand the command line chose on its --root: the device root is made ready first for the
// ones that write (restore, fit), never for history, which only reads, nor for probe, which reads only the
// converter. `interactive`: standard input is a
// terminal, so restore may ask. Returns the exit status.
[[nodiscard]] int RunSubcommand(const CommandLine& line, bool interactive, std::istream& in,
                                std::ostream& out, std::ostream& err);

} // namespace slabcal
