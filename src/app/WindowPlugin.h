#pragma once

#include <ostream>

// The window plugin's one exported function: the calibration window (or its headless run) or the
// certificate, for the command line as the program was given it; returns the exit status.
extern "C" __attribute__((visibility("default"))) int SlabcalWindowMain(int argc, char** argv);

namespace slabcal {

// The window, its headless run and the certificate need Qt, so they live in the window plugin,
// slabcal-window.so, which the program loads only for them: a subcommand's process maps no Qt library.
// The plugin is looked for beside the program (the build tree), then where the package installs it
// (lib/slabcal/ beside the program's bin/). Returns the plugin's exit status; a plugin that cannot be
// loaded is one line on `err` and status 2.
[[nodiscard]] int RunWindowPlugin(int argc, char** argv, std::ostream& err);

} // namespace slabcal
