#include "app/qt/TouchSize.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace slabcal {
namespace {

constexpr double TouchMillimetres = 9.0;
constexpr int LeastTouchPixels = 34;

} // namespace

int TouchPixels(const QRect& area) {
    const QScreen* screen = QGuiApplication::screenAt(area.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->physicalDotsPerInchY() : 0.0;
    const int pixels = static_cast<int>(std::ceil(TouchMillimetres / 25.4 * dpi));
    return std::max(pixels, LeastTouchPixels);
}

} // namespace slabcal
