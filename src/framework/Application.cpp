#include "framework/Application.h"

#include "platform/ApplicationMessageBox.h"

namespace slabcal {

std::string ProgramNameFromPath(std::string_view programPath) {
    auto slash = programPath.find_last_of("/\\");
    if (slash != std::string_view::npos)
        programPath.remove_prefix(slash + 1);
    auto dot = programPath.rfind('.');
    if (dot != std::string_view::npos && dot != 0)
        programPath = programPath.substr(0, dot);
    return std::string(programPath);
}

Application::Application(std::string_view programPath, DialogBackend& dialogBackend)
    : name(ProgramNameFromPath(programPath)), backend(dialogBackend) {
    SetApplicationMessageBoxHandler(
        [this](std::string_view text) { backend.ShowApplicationMessage(name, text); });
}

Application::~Application() {
    SetApplicationMessageBoxHandler(nullptr);
}

} // namespace slabcal
