#pragma once

#include "framework/DialogBackend.h"

#include <string>
#include <string_view>

namespace slabcal {

class Dialog;

// The application object: the program's name (caption of the application message box), the main window
// reference, and the backend that shows the application message box.
class Application final {
public:
    Application(std::string_view programPath, DialogBackend& backend);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The program file's name without folder and extension.
    [[nodiscard]] const std::string& Name() const { return name; }
    [[nodiscard]] DialogBackend& Backend() const { return backend; }

    void SetMainWindow(Dialog* dialog) { mainWindow = dialog; }
    [[nodiscard]] Dialog* MainWindow() const { return mainWindow; }

private:
    std::string name;
    DialogBackend& backend;
    Dialog* mainWindow = nullptr;
};

[[nodiscard]] std::string ProgramNameFromPath(std::string_view programPath);

} // namespace slabcal
