#pragma once

#include "framework/MessageBoxTypes.h"

#include <QMessageBox>

#include <string_view>

namespace slabcal {

// A message box as the calibration code knows it: text, caption, OK or Yes/No with Yes the default button,
// no icon, and answers IdOk / IdYes / IdNo. Esc and the close box give the answer of No (Yes/No) or OK.
class QtMessageBox final : public QMessageBox {
public:
    QtMessageBox(QWidget* parent, std::string_view text, std::string_view caption, MessageBoxButtons buttons);

    // The answer of the button that dismissed the box; the Esc answer when none was clicked.
    [[nodiscard]] int Answer() const;

private:
    MessageBoxButtons shownButtons;
};

} // namespace slabcal
