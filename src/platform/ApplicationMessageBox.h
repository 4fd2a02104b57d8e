#pragma once

#include <functional>
#include <string_view>

namespace slabcal {

// The application message box of the board's OS: one OK button, the program's name as caption, shown on
// the UI thread. The dialog framework's backend installs the handler that really shows it; until one is
// installed the text goes to standard error, so no message is ever lost.
using ApplicationMessageBoxHandler = std::function<void(std::string_view text)>;

void SetApplicationMessageBoxHandler(ApplicationMessageBoxHandler handler);
void ApplicationMessageBox(std::string_view text);

} // namespace slabcal
