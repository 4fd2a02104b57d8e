#pragma once

#include <QRect>

namespace slabcal {

// The height of a control a finger works: about 9 mm on the screen showing `area`, never less than 34 px
// (9 mm at 96 dpi), as a screen's reported size is not always believable.
[[nodiscard]] int TouchPixels(const QRect& area);

} // namespace slabcal
