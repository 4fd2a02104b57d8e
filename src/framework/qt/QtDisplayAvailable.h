#pragma once

#include <functional>
#include <string>
#include <vector>

namespace slabcal {

// Looks up an environment variable: null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The platform list as asked for, options included ("linuxfb:fb=/dev/fb1"): `-platform NAME` (or
// `--platform`), else QT_QPA_PLATFORM; empty when nothing asks for one.
[[nodiscard]] std::string RequestedQtPlatformLine(int argc, const char* const* argv,
                                                  const EnvironmentLookup& environment);

// The platforms Qt will try, in order, as they are chosen below; "xcb" when nothing asks for one.
[[nodiscard]] std::vector<std::string> RequestedQtPlatforms(int argc, const char* const* argv,
                                                            const EnvironmentLookup& environment);

// Whether Qt can open a display with these arguments and this environment, decided before any Qt object
// exists (Qt aborts when it cannot). The platform comes from `-platform NAME` (or `--platform`), else from
// QT_QPA_PLATFORM, else from the session type and Qt's default (xcb); a list "a;b" is tried in order, and
// options after ':' are ignored. offscreen, minimal, vnc, linuxfb, eglfs and other platforms that need no
// display server count as available, and so does a name this check does not know (Qt reports that one
// itself); xcb needs DISPLAY and wayland needs WAYLAND_DISPLAY.
[[nodiscard]] bool QtDisplayAvailable(int argc, const char* const* argv,
                                      const EnvironmentLookup& environment);

} // namespace slabcal
