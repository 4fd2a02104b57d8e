#pragma once

#include "framework/DialogTemplate.h"

#include <QFont>
#include <QRect>

namespace slabcal {

// The scale between a template's dialog units and pixels for one font, computed the way dialog templates
// have always been laid out: the horizontal base unit is the average width of the 52 Latin letters, the
// vertical one the font's height; a dialog unit is a quarter of the first and an eighth of the second.
// Laying every control out with the same scale keeps the template's proportions whatever the font.
class DialogUnits final {
public:
    DialogUnits(int baseX, int baseY);
    [[nodiscard]] static DialogUnits ForFont(const QFont& font);

    [[nodiscard]] int BaseX() const { return baseX; }
    [[nodiscard]] int BaseY() const { return baseY; }
    // Rounded to the nearest pixel.
    [[nodiscard]] int ToPixelsX(int units) const;
    [[nodiscard]] int ToPixelsY(int units) const;
    [[nodiscard]] QRect ToPixels(const DialogRect& rect) const;

private:
    int baseX;
    int baseY;
};

} // namespace slabcal
