#pragma once

#include "framework/DialogBackend.h"

namespace slabcal {

// Dialogs as Qt 6 widgets. Needs a QApplication; every call is made on its thread.
class QtBackend final : public DialogBackend {
public:
    QtBackend();

    [[nodiscard]] std::unique_ptr<DialogWindow> CreateDialogWindow(Dialog& dialog) override;
    // Application-modal, one OK button. Asked from another thread, where no widget may be made, the text
    // goes to standard error instead, so it is never lost.
    void ShowApplicationMessage(std::string_view caption, std::string_view text) override;
    // Application-modal, Yes and No; UI thread only.
    [[nodiscard]] int AskApplicationQuestion(std::string_view caption, std::string_view text) override;
};

} // namespace slabcal
