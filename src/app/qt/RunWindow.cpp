#include "app/qt/RunWindow.h"

#include "acquisition/ThreadCensus.h"
#include "analysis/qt/AdviceLine.h"
#include "analysis/qt/ConditionsForm.h"
#include "analysis/qt/CurveWindow.h"
#include "app/DeviceRoot.h"
#include "app/OperatorScript.h"
#include "app/Startup.h"
#include "app/qt/BoardWindow.h"
#include "app/qt/DriverPanel.h"
#include "app/qt/QtStartProblem.h"
#include "app/qt/ReconnectButton.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessBackend.h"
#include "framework/headless/HeadlessWindow.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"
#include "framework/qt/QtPlatformStart.h"
#include "framework/qt/QtTranslations.h"
#include "framework/qt/Utf8.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DeviceRootLock.h"
#include "platform/DriverRegistry.h"
#include "records/RecordStore.h"
#include "storage/DevicePaths.h"
#include "storage/ReadSegmentModel.h"
#include "texts/CurveTexts.h"
#include "worksheet/CalibrationWorksheet.h"

#include <QApplication>
#include <QScreen>

#include <fstream>
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

// The end of the window's run. The root is given back first, whatever follows. A thread let go inside a
// driver call that has not returned (a converter stuck in its kernel driver) would come back into objects
// a normal exit destroys, and it keeps the process from ending while it waits: the program then ends at
// once, with its output flushed, leaving the kernel to end the call.
int EndOfRun(DeviceRootLock& rootLock) {
    rootLock.Release();
    return ThreadCensus::EndOfProgram(0);
}

} // namespace

int RunWindow(const CommandLine& line, int argc, char** argv) {
    const std::string name = ProgramNameFromPath(argv[0]);
    const auto& options = line.port;
    // Qt aborts when it finds no display or no plugin for its platform; say how to run the program instead.
    if (!options.headless)
        if (const auto problem = QtStartProblem(argc, argv)) {
            std::cerr << name << ": " << *problem << '\n';
            return 2;
        }

    DeviceFileSystem files(options.root);
    if (const auto error = PrepareDeviceRoot(files)) {
        std::cerr << name << ": " << *error << '\n';
        return 2;
    }
    // Held until the window's run ends (EndOfRun gives it back): two programs saving into one root would
    // remove each other's temporary files. Taken before the converter is bound, so the one turned away never
    // touches it.
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
        Drivers().Bind(ConverterDeviceName, converter.driver, converter.description);
    auto& lock = std::get<DeviceRootLock>(rootLock);
    if (options.headless) {
        HeadlessBackend backend;
        backend.EchoBoxesTo(&std::cerr);
        Application application(argv[0], backend);
        std::ifstream scriptFile;
        if (!options.script.empty() && options.script != "-") {
            scriptFile.open(options.script);
            if (!scriptFile) {
                std::cerr << name << ": cannot read the script " << options.script << '\n';
                return 2;
            }
        }
        OperatorScript script(options.script == "-" ? std::cin : scriptFile, std::cout, std::cerr, backend,
                              *worksheet);
        bool scriptDone = true;
        if (!options.script.empty())
            backend.AddStep([&](HeadlessWindow& window) { scriptDone = script.Run(window); });
        RunCalibration(application, worksheet);
        const int status = EndOfRun(lock);
        return scriptDone ? status : 1;
    }
    {
        const auto qtApplication = StartQtApplication(argc, argv, name);
        InstallQtTranslations();
        QtBackend backend;
        Application application(argv[0], backend);
        auto panel = DriverPanel(*options.driver, converter.driver);
        // It only watches: the worksheet, the parameter file read-only, the records.
        CurveWindow curveWindow(
            *worksheet, [&files] { return ReadSegmentModel(files); },
            [&files](const std::stop_token& stop) { return ListedRecords(files, stop); });
        curveWindow.AddTab(new ConditionsForm(files), FromUtf8(texts::curve::ConditionsTab));
        if (PlatformWithoutWindowManager(QGuiApplication::platformName())) {
            // Nothing could move or close a second window: one window fills the screen.
            BoardWindow board(*worksheet, curveWindow, std::move(panel),
                              QGuiApplication::primaryScreen()->availableGeometry());
            backend.HostDialogsIn([&board](QtDialogWindow& dialog) { board.Host(dialog); });
            const CurveWindowChoice shownAtStart =
                board.SideBySide() ? CurveWindowChoice::Show : CurveWindowChoice::Hide;
            if (options.curveWindow != CurveWindowChoice::Auto && options.curveWindow != shownAtStart)
                board.ToggleCurve();
            board.show();
            RunCalibration(application, worksheet);
        } else {
            if (panel)
                panel->show();
            curveWindow.InstallToggleKey();
            if (ShowCurveWindowAtStart(options.curveWindow))
                curveWindow.show();
            const auto adviceWindow = AdviceWindow(*worksheet);
            const auto reconnectWindow = ReconnectWindow(*worksheet->Live());
            RunCalibration(application, worksheet);
        }
    } // every window goes here, and Qt gives the display back, before the program's end
    return EndOfRun(lock);
}

} // namespace slabcal
