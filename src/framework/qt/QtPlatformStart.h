#pragma once

#include "framework/qt/QtDisplayAvailable.h"

#include <QApplication>

#include <memory>
#include <optional>
#include <string>

namespace slabcal {

// Decided before any Qt object exists: whether one of the platforms Qt would try (RequestedQtPlatforms)
// has a plugin where Qt looks for one: the folder given by -platformpluginpath or
// QT_QPA_PLATFORM_PLUGIN_PATH, and "platforms" under QT_PLUGIN_PATH, Qt's plugin folder and the program's
// folder; plugins are recognised by the keys they declare, not by their file names. Nothing when one has;
// otherwise the line to print: 'cannot start the Qt platform "NAME": there is no plugin for it
// (available: …); run it under xvfb-run, …'.
[[nodiscard]] std::optional<std::string> MissingQtPlatformPlugin(int argc, const char* const* argv,
                                                                 const EnvironmentLookup& environment);

// Builds the QApplication. When Qt cannot start its platform (no X server behind DISPLAY, a plugin that
// does not load) it ends in a fatal message and aborts; instead, one line
// 'PROGRAM: cannot start the Qt platform "NAME": REASON; run it under xvfb-run, …' goes to standard error,
// REASON being the platform's own complaint, and the process ends with status 2. Qt's messages during the
// construction are held back meanwhile and passed on to the previous handler once it has succeeded.
// A platform that starts without any screen (linuxfb on a frame buffer it cannot use) ends the same way,
// the line naming the frame buffer.
[[nodiscard]] std::unique_ptr<QApplication> StartQtApplication(int& argc, char** argv,
                                                               const std::string& programName);

} // namespace slabcal
