#pragma once

#include <QDialog>

#include <functional>

namespace slabcal {

// The top-level window of a dialog. Esc and the close box do not close it: they send the dialog's Cancel
// command, and Ctrl+Return (Ctrl+Enter on the keypad) sends its OK command, standing in for the OK button
// that the board's caption bar carried. Only the dialog's own End closes the window.
class QtDialogFrame final : public QDialog {
public:
    using CommandHandler = std::function<void(int id)>;

    explicit QtDialogFrame(CommandHandler command);

    void accept() override;
    void reject() override;

private:
    CommandHandler command;
};

} // namespace slabcal
