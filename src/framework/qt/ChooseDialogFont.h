#pragma once

#include <QFont>

#include <string_view>

namespace slabcal {

// The template's font when the system has that family; otherwise a family that renders Chinese (WenQuanYi
// Micro Hei first), so the dialog's texts never turn into empty boxes; otherwise the application's font.
// Always at the template's point size.
[[nodiscard]] QFont ChooseDialogFont(std::string_view family, int points);

} // namespace slabcal
