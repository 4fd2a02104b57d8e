#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QWidget>

#include <cstdlib>
#include <functional>

namespace slabcal::test {

// Runs the event loop until `done` holds. The limit only keeps a broken build from hanging the run; no
// test asserts anything about time.
inline bool ProcessEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 20000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// With SLABCAL_SCREENSHOT_DIR set, saves a picture of `widget` there as `name`, for looking at the layout.
inline void SaveScreenshot(QWidget& widget, const char* name) {
    if (const char* folder = std::getenv("SLABCAL_SCREENSHOT_DIR"))
        widget.grab().save(QString::fromLocal8Bit(folder) + "/" + QString::fromLatin1(name));
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
