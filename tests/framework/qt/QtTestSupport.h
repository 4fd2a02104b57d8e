#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

namespace slabcal::test {

// Runs the event loop until `done` holds or `patience` has passed; a failure says how long it waited. The
// limit only keeps a broken build from hanging the run; no test asserts anything about time.
inline ::testing::AssertionResult
ProcessEventsUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds patience = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (done())
            return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() >= deadline)
            return ::testing::AssertionFailure()
                   << "condition still false after " << patience.count() << " ms";
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// With SLABCAL_SCREENSHOT_DIR set, saves a picture of `widget` there as `name`, for looking at the layout.
// A widget never shown is laid out first, and what it queued on that (a chart's axis labels) is done.
inline void SaveScreenshot(QWidget& widget, const char* name) {
    if (const char* folder = std::getenv("SLABCAL_SCREENSHOT_DIR")) {
        widget.ensurePolished();
        widget.grab();
        QCoreApplication::processEvents();
        widget.grab().save(QString::fromLocal8Bit(folder) + "/" + QString::fromLatin1(name));
    }
}

inline QMessageBox* VisibleMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace slabcal::test
