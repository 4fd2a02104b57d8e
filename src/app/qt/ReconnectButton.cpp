#include "app/qt/ReconnectButton.h"

#include "app/qt/TouchSize.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>

#include <chrono>

namespace slabcal {
namespace {

// The live signal changes on the worker's thread; looking a few times a second is soon enough for a hand.
constexpr std::chrono::milliseconds WatchInterval{250};

} // namespace

ReconnectButton::ReconnectButton(LiveSignal& signal, QWidget* parent)
    : QPushButton(QString::fromUtf8("重新连接 (F5)"), parent), live(signal) {
    connect(this, &QPushButton::clicked, this, [this] {
        live.Reconnect();
        Follow();
    });
    connect(&watch, &QTimer::timeout, this, &ReconnectButton::Follow);
    watch.start(WatchInterval);
    Follow();
}

ReconnectButton::~ReconnectButton() {
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
}

void ReconnectButton::InstallKey() {
    qApp->installEventFilter(this);
}

void ReconnectButton::Follow() {
    const bool wanted = live.IsLost() && live.CanReconnect();
    setEnabled(wanted);
    setVisible(wanted);
}

bool ReconnectButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Key && !key->isAutoRepeat() && isEnabled()) {
            click();
            return true;
        }
    }
    return QPushButton::eventFilter(watched, event);
}

std::unique_ptr<ReconnectButton> ReconnectWindow(LiveSignal& live) {
    auto button = std::make_unique<ReconnectButton>(live);
    button->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        button->setMinimumHeight(TouchPixels(available));
        button->adjustSize();
        button->move(available.right() + 1 - button->width(), available.top());
    }
    button->InstallKey();
    return button;
}

} // namespace slabcal
