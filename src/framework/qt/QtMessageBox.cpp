#include "framework/qt/QtMessageBox.h"

#include "framework/qt/Utf8.h"

namespace slabcal {

QtMessageBox::QtMessageBox(QWidget* parent, std::string_view text, std::string_view caption,
                           MessageBoxButtons buttons)
    : QMessageBox(parent), shownButtons(buttons) {
    setIcon(QMessageBox::NoIcon);
    setWindowTitle(FromUtf8(caption));
    setText(FromUtf8(text));
    setTextFormat(Qt::PlainText);
    if (buttons == MessageBoxButtons::YesNo) {
        setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        setDefaultButton(QMessageBox::Yes);
        setEscapeButton(QMessageBox::No);
    } else {
        setStandardButtons(QMessageBox::Ok);
        setDefaultButton(QMessageBox::Ok);
        setEscapeButton(QMessageBox::Ok);
    }
}

int QtMessageBox::Answer() const {
    QAbstractButton* clicked = clickedButton();
    switch (clicked != nullptr ? standardButton(clicked) : QMessageBox::NoButton) {
    case QMessageBox::Yes:
        return IdYes;
    case QMessageBox::No:
        return IdNo;
    case QMessageBox::Ok:
        return IdOk;
    default:
        return shownButtons == MessageBoxButtons::YesNo ? IdNo : IdOk;
    }
}

} // namespace slabcal
