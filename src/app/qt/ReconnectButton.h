#pragma once

#include "worksheet/LiveSignal.h"

#include <QPushButton>
#include <QTimer>

#include <memory>

namespace slabcal {

// "重新连接": opens the converter anew after it was lost, without leaving the program, so the table stays.
// Shown while the converter is lost and the dialog offers a reconnect; the key works wherever the focus
// is, as long as the button could be pressed. It only asks the live signal; the dialog does the rest.
class ReconnectButton final : public QPushButton {
public:
    static constexpr Qt::Key Key = Qt::Key_F5;

    // `live` outlives the button.
    explicit ReconnectButton(LiveSignal& live, QWidget* parent = nullptr);
    ~ReconnectButton() override;
    ReconnectButton(const ReconnectButton&) = delete;
    ReconnectButton& operator=(const ReconnectButton&) = delete;

    // The key anywhere in the application, not only while the button has the focus.
    void InstallKey();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow();

    LiveSignal& live;
    QTimer watch;
};

// The button as a window of its own in the screen's top right corner, shown only while the converter is
// lost: with no window manager there is nowhere else for it beside the dialog.
[[nodiscard]] std::unique_ptr<ReconnectButton> ReconnectWindow(LiveSignal& live);

} // namespace slabcal
