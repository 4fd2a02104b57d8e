#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>

class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace slabcal {

class AdviceLine;
class ReconnectButton;
class CalibrationWorksheet;
class CurveWindow;
class QtDialogWindow;

// Whether a Qt platform has no window manager to place, move and close windows (the board's linuxfb and
// eglfs, a VNC server, offscreen): there the program shows one window.
[[nodiscard]] bool PlatformWithoutWindowManager(const QString& platformName);

// Everything the program shows, in one window that fills the screen, for a board without a window manager:
// the calibration dialog, the curve window and a driver's panel, side by side where they fit, else as tabs;
// a bar of touch controls (show or hide the curve, reconnect a lost converter, close). The dialog keeps its
// own size, texts, keys and behaviour; it is only placed. The window owns the panel, never the dialog or the
// curve window.
class BoardWindow final : public QWidget {
public:
    // `available`: the screen's available geometry, which the window fills. `worksheet` and `curve`
    // outlive the window; `panel` may be null.
    BoardWindow(const CalibrationWorksheet& worksheet, CurveWindow& curve, std::unique_ptr<QWidget> panel,
                QRect available);
    ~BoardWindow() override;
    BoardWindow(const BoardWindow&) = delete;
    BoardWindow& operator=(const BoardWindow&) = delete;

    // Places a dialog's frame in the window; give it to QtBackend::HostDialogsIn.
    void Host(QtDialogWindow& dialog);
    // Shows or hides the curve (on tabs: shows the curve's tab or the dialog's), as F9 does.
    void ToggleCurve();
    [[nodiscard]] bool SideBySide() const { return tabs == nullptr; }
    // The height of every touch control: about 9 mm on this screen.
    [[nodiscard]] int TouchHeight() const { return touchHeight; }

    [[nodiscard]] QPushButton& CloseButton() const { return *closeButton; }
    [[nodiscard]] QPushButton& CurveButton() const { return *curveButton; }
    [[nodiscard]] ReconnectButton& Reconnect() const { return *reconnectButton; }
    // Null when side by side.
    [[nodiscard]] QTabWidget* Tabs() const { return tabs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCurveState();

    CurveWindow& curve;
    QPointer<QWidget> hostedFrame;
    int touchHeight = 0;
    QWidget* dialogPage = nullptr;
    QVBoxLayout* dialogColumn = nullptr;
    AdviceLine* adviceLine = nullptr;
    QTabWidget* tabs = nullptr;
    QPushButton* closeButton = nullptr;
    QPushButton* curveButton = nullptr;
    ReconnectButton* reconnectButton = nullptr;
};

} // namespace slabcal
