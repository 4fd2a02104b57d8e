#include "app/qt/RunWindow.h"

#include "analysis/qt/CurveWindow.h"
#include "app/DeviceRoot.h"
#include "app/DialogSnapshot.h"
#include "app/Startup.h"
#include "app/qt/DriverPanel.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessBackend.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDisplayAvailable.h"
#include "framework/qt/QtPlatformStart.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DeviceRootLock.h"
#include "platform/DriverRegistry.h"
#include "records/RecordStore.h"
#include "storage/DevicePaths.h"
#include "storage/ReadSegmentModel.h"
#include "texts/Texts.h"
#include "worksheet/CalibrationWorksheet.h"

#include <QApplication>
#include <QScreen>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <variant>

namespace slabcal {
namespace {

bool ShowCurveWindowAtStart(CurveWindowChoice choice) {
    if (choice != CurveWindowChoice::Auto)
        return choice == CurveWindowChoice::Show;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return false;
    const QSize available = screen->availableSize();
    return available.width() >= CurveWindow::SmallScreen.width() &&
           available.height() >= CurveWindow::SmallScreen.height();
}

} // namespace

int RunWindow(const CommandLine& line, int argc, char** argv) {
    const std::string name = ProgramNameFromPath(argv[0]);
    const auto& options = line.port;
    // Qt aborts when it finds no display or no plugin for its platform; say how to run the program instead.
    if (!options.headless) {
        const EnvironmentLookup environment = [](const char* variable) -> const char* {
            return std::getenv(variable);
        };
        if (!QtDisplayAvailable(argc, argv, environment)) {
            std::cerr << name << ": " << texts::NoDisplay << '\n';
            return 2;
        }
        if (const auto missing = MissingQtPlatformPlugin(argc, argv, environment)) {
            std::cerr << name << ": " << *missing << '\n';
            return 2;
        }
    }

    DeviceFileSystem files(options.root);
    if (const auto error = PrepareDeviceRoot(files)) {
        std::cerr << name << ": " << *error << '\n';
        return 2;
    }
    // Held until the program ends: two programs saving into one root would remove each other's temporary
    // files. Taken before the converter is bound, so the one turned away never touches it.
    auto rootLock = DeviceRootLock::Acquire(files.Root());
    if (const auto* error = std::get_if<std::string>(&rootLock)) {
        std::cerr << name << ": " << *error << '\n';
        return 2;
    }
    std::cout << "Parameter file: " << files.HostPath(ParameterFilePath).value_or("?") << std::endl;

    // The model the dialog's commands work on, from the built-in defaults, for the whole run, and the
    // worksheet the calibration is recorded in.
    SegmentModel model;
    const auto worksheet = std::make_shared<CalibrationWorksheet>(model, files);
    // A converter that is there but does not answer is the dialog's to report ("打开 ADC 驱动失败!"); only a
    // choice that cannot even be made ends the program here.
    const MadeDriver converter = options.driver->make(options.driverRequest);
    if (!converter.error.empty()) {
        std::cerr << name << ": " << converter.error << '\n';
        return 2;
    }
    Drivers().Unbind(ConverterDeviceName);
    if (converter.driver)
        Drivers().Bind(ConverterDeviceName, converter.driver);
    if (options.headless) {
        HeadlessBackend backend;
        backend.EchoBoxesTo(&std::cerr);
        Application application(argv[0], backend);
        RunCalibration(application, worksheet);
        return 0;
    }

    const auto qtApplication = StartQtApplication(argc, argv, name);
    QtBackend backend;
    Application application(argv[0], backend);
    const auto panel = DriverPanel(*options.driver, converter.driver);
    if (panel)
        panel->show();
    // It only observes: the dialog's table and fields, and the parameter file read-only.
    CurveWindow curveWindow([&application] { return DialogSnapshot(application); },
                            [&files] { return ReadSegmentModel(files); },
                            [&files] { return ListedRecords(files); });
    curveWindow.InstallToggleKey();
    if (ShowCurveWindowAtStart(options.curveWindow))
        curveWindow.show();
    RunCalibration(application, worksheet);
    return 0;
}

} // namespace slabcal
