#pragma once

#include "framework/DialogBackend.h"

#include <functional>

namespace slabcal {

class QtDialogWindow;

// Dialogs as Qt 6 widgets. Needs a QApplication; every call is made on its thread.
class QtBackend final : public DialogBackend {
public:
    QtBackend();

    [[nodiscard]] std::unique_ptr<DialogWindow> CreateDialogWindow(Dialog& dialog) override;
    // Every dialog window made from now on is handed to `host` before it is shown, which may place its
    // frame inside a window of its own (a board's one full-screen window). Its behaviour stays the same.
    void HostDialogsIn(std::function<void(QtDialogWindow&)> host) { dialogHost = std::move(host); }
    // Application-modal, one OK button. Asked from another thread, where no widget may be made, the text
    // goes to standard error instead, so it is never lost.
    void ShowApplicationMessage(std::string_view caption, std::string_view text) override;
    // Application-modal, Yes and No; UI thread only.
    [[nodiscard]] int AskApplicationQuestion(std::string_view caption, std::string_view text) override;

private:
    std::function<void(QtDialogWindow&)> dialogHost;
};

} // namespace slabcal
