#pragma once

#include <QFont>
#include <QString>

#include <string_view>

namespace slabcal {

// A family that renders Chinese: the first of WenQuanYi Micro Hei (fonts-wqy-microhei), WenQuanYi Zen Hei,
// Noto Sans CJK SC and Noto Sans SC the system has, else any family Qt lists for Simplified Chinese; empty
// when there is none.
[[nodiscard]] QString ChineseFontFamily();

// The template's font when the system has that family; otherwise ChineseFontFamily, so the dialog's texts
// never turn into empty boxes; otherwise the application's font. Always at the template's point size.
[[nodiscard]] QFont ChooseDialogFont(std::string_view family, int points);

} // namespace slabcal
