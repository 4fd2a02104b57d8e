#pragma once

#include "framework/DialogWindow.h"

#include <memory>
#include <string_view>

namespace slabcal {

class Dialog;

// A user-interface toolkit: builds dialog windows and shows the application message box.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;

    [[nodiscard]] virtual std::unique_ptr<DialogWindow> CreateDialogWindow(Dialog& dialog) = 0;
    // One OK button and `caption` (the program's name); blocks the UI thread until dismissed.
    virtual void ShowApplicationMessage(std::string_view caption, std::string_view text) = 0;
    // A question of the application's own, before or beside any dialog: Yes and No, Yes the default;
    // returns IdYes or IdNo. Blocks the UI thread until answered.
    [[nodiscard]] virtual int AskApplicationQuestion(std::string_view caption, std::string_view text) = 0;
};

} // namespace slabcal
