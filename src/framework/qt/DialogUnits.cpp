#include "framework/qt/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

#include <algorithm>

namespace slabcal {

namespace {

// value * numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

DialogUnits::DialogUnits(int horizontalBase, int verticalBase)
    : baseX(std::max(horizontalBase, 1)), baseY(std::max(verticalBase, 1)) {}

DialogUnits DialogUnits::ForFont(const QFont& font) {
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(letters);
    return DialogUnits(ScaleRounded(width, 1, static_cast<int>(letters.size())), metrics.height());
}

int DialogUnits::ToPixelsX(int units) const {
    return ScaleRounded(units, baseX, 4);
}
int DialogUnits::ToPixelsY(int units) const {
    return ScaleRounded(units, baseY, 8);
}

QRect DialogUnits::ToPixels(const DialogRect& rect) const {
    return {ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.width), ToPixelsY(rect.height)};
}

} // namespace slabcal
