#include "acquisition/ThreadCensus.h"
#include "analysis/qt/CurveWindow.h"
#include "app/DeviceRoot.h"
#include "app/PortOptions.h"
#include "app/Startup.h"
#include "app/Subcommands.h"
#include "calibration/PointTable.h"
#include "certificate/CertificateCommand.h"
#include "drivers/chardev/CharacterDeviceConverter.h"
#include "drivers/iio/IioConverter.h"
#include "drivers/iio/IioSettingsFile.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "drivers/simulated/qt/SimulatorPanel.h"
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
#include <optional>
#include <span>
#include <string>
#include <unistd.h>
#include <variant>

using namespace slabcal;

namespace {

// The converter the command line chose, or why it cannot be had.
struct ChosenConverter {
    std::shared_ptr<StreamDriver> driver;  // none for --device none
    std::shared_ptr<SimulatedGauge> gauge; // the simulated one, for its panel
    std::string description;               // as --device names it, for diagnostics
    std::string error;
};

ChosenConverter ChooseConverter(const PortOptions& options) {
    switch (options.device) {
    case DeviceChoice::None:
        return {};
    case DeviceChoice::Simulated: {
        auto gauge = std::make_shared<SimulatedGauge>();
        if (!options.simControl.empty())
            gauge->WatchControlFile(options.simControl);
        return {gauge, gauge, "sim", {}};
    }
    case DeviceChoice::Iio: {
        IioSettings settings;
        settings.device = options.deviceName;
        std::string error;
        if (!options.iioSettings.empty() && !ReadIioSettingsFile(options.iioSettings, settings, error))
            return {nullptr, nullptr, {}, error};
        if (settings.device.empty())
            return {nullptr,
                    nullptr,
                    {},
                    "no IIO device given: --device iio:NAME, or device= in " + options.iioSettings};
        return {MakeIioConverter(settings), nullptr, "iio:" + settings.device, {}};
    }
    case DeviceChoice::CharacterDevice:
        return {MakeCharacterDeviceConverter(options.deviceName), nullptr, options.deviceName, {}};
    }
    return {};
}

// Why Qt cannot start with these arguments, decided before any Qt object exists (Qt would abort).
std::optional<std::string> QtStartProblem(int argc, const char* const* argv) {
    const EnvironmentLookup environment = [](const char* variable) -> const char* {
        return std::getenv(variable);
    };
    if (!QtDisplayAvailable(argc, argv, environment))
        return std::string(texts::NoDisplay);
    return MissingQtPlatformPlugin(argc, argv, environment);
}

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
    if (ThreadCensus::Running() == 0)
        return 0;
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(0);
}

} // namespace

int main(int argc, char** argv) {
    const std::string name = ProgramNameFromPath(argv[0]);
    auto parsed = ParseCommandLine(std::span<const char* const>(argv, static_cast<std::size_t>(argc)),
                                   DefaultDeviceRoot());
    if (const auto* error = std::get_if<OptionError>(&parsed)) {
        std::cerr << name << ": " << error->message << '\n' << Usage(name);
        return 2;
    }
    const auto& line = std::get<CommandLine>(parsed);
    const auto& options = line.port;
    // A subcommand runs without the window: no display, no converter.
    if (!line.subcommandHelp.empty()) {
        std::cout << line.subcommandHelp;
        return 0;
    }
    if (line.subcommand == Subcommand::Certificate) {
        // Qt's PDF writer needs an application, never a display: the offscreen platform whatever Qt's
        // options on the command line ask for (they are not passed on), and a start that fails anyway is
        // one line and status 2, as for the window.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgumentCount = 1;
        if (const auto problem = QtStartProblem(qtArgumentCount, argv)) {
            std::cerr << name << ": " << *problem << '\n';
            return 2;
        }
        const auto certificateApplication = StartQtApplication(qtArgumentCount, argv, name);
        return RunCertificate(line.certificate.record, line.certificate.output,
                              DeviceFileSystem(options.root), std::cout, std::cerr);
    }
    if (line.subcommand != Subcommand::None)
        return RunSubcommand(line, ::isatty(STDIN_FILENO) == 1, std::cin, std::cout, std::cerr);
    if (options.help) {
        std::cout << Usage(name);
        return 0;
    }
    if (options.version) {
        std::cout << "slabcal " << SLABCAL_VERSION << '\n';
        return 0;
    }
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
    const ChosenConverter converter = ChooseConverter(options);
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
        RunCalibration(application, worksheet);
        return EndOfRun(lock);
    }
    {
        const auto qtApplication = StartQtApplication(argc, argv, name);
        QtBackend backend;
        Application application(argv[0], backend);
        std::unique_ptr<SimulatorPanel> panel;
        if (converter.gauge) {
            panel = std::make_unique<SimulatorPanel>(converter.gauge, points::Heights);
            panel->show();
        }
        // It only observes: the dialog's table and fields, and the parameter file read-only.
        CurveWindow curveWindow(
            *worksheet, [&files] { return ReadSegmentModel(files); },
            [&files](const std::stop_token& stop) { return ListedRecords(files, stop); });
        curveWindow.InstallToggleKey();
        if (ShowCurveWindowAtStart(options.curveWindow))
            curveWindow.show();
        RunCalibration(application, worksheet);
    } // every window goes here, and Qt gives the display back, before the program's end
    return EndOfRun(lock);
}
