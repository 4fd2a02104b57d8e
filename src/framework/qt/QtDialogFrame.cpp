#include "framework/qt/QtDialogFrame.h"

#include "framework/MessageBoxTypes.h"

#include <QKeySequence>
#include <QShortcut>

#include <utility>

namespace slabcal {

QtDialogFrame::QtDialogFrame(CommandHandler handler) : command(std::move(handler)) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    for (QKeyCombination keys : {QKeyCombination(Qt::ControlModifier, Qt::Key_Return),
                                 QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        connect(shortcut, &QShortcut::activated, this, [this] { command(IdOk); });
    }
}

void QtDialogFrame::accept() {
    command(IdOk);
}

// QDialog sends Esc and the close box here; the dialog decides whether it ends.
void QtDialogFrame::reject() {
    command(IdCancel);
}

} // namespace slabcal
