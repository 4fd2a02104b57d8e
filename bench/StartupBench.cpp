// Start-up of the real program path on Qt's offscreen platform: from process start (and from main) to the
// calibration dialog shown with its modal loop running, then the peak resident memory after the worker
// has sampled the simulated gauge for a while, with the process's CPU and the worker's cycle over that
// time. With "curve" the calibration curve window observes the dialog as in the program. Prints the
// figures; asserts nothing.
#include "analysis/qt/CurveWindow.h"
#include "app/Startup.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/Dialog.h"
#include "framework/qt/QtBackend.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "records/RecordStore.h"
#include "storage/ReadSegmentModel.h"
#include "worksheet/CalibrationWorksheet.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace slabcal;
using Clock = std::chrono::steady_clock;

namespace {

// Seconds since the process started, from the kernel's record (clock-tick resolution, usually 10 ms).
double SecondsSinceProcessStart() {
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int index = 3; index <= 22; ++index)
        fields >> field;
    const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return uptime - started;
}

long StatusKilobytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key + ":", 0) == 0)
            return std::stol(line.substr(key.size() + 1));
    }
    return -1;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const auto mainEntered = Clock::now();
    const int sampleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const bool withCurve = argc > 2 && std::string(argv[2]) == "curve";
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const auto root = std::filesystem::absolute("startup-bench-root");
    std::filesystem::create_directories(root / "NandFlash");
    DeviceFileSystem files(root.string());
    QApplication qtApplication(argc, argv);
    auto gauge = std::make_shared<SimulatedGauge>();
    Drivers().Bind(ConverterDeviceName, gauge);
    QtBackend backend;
    Application application(argv[0], backend);
    SegmentModel model;
    const auto worksheet = std::make_shared<CalibrationWorksheet>(model, files);
    std::unique_ptr<CurveWindow> curveWindow;
    if (withCurve) {
        curveWindow = std::make_unique<CurveWindow>(
            *worksheet, [&files] { return ReadSegmentModel(files); },
            [&files](const std::stop_token& stop) { return ListedRecords(files, stop); });
        curveWindow->show();
    }

    // Runs once the dialog's modal loop is up: the dialog is shown.
    QTimer::singleShot(0, [&] {
        const double fromMain = std::chrono::duration<double, std::milli>(Clock::now() - mainEntered).count();
        std::printf("dialog shown: %.1f ms after main(), %.0f ms after process start (10 ms resolution)\n",
                    fromMain, 1000 * SecondsSinceProcessStart());
        const auto samplingStarted = Clock::now();
        const double cpuStarted = CpuSeconds();
        const auto recordsStarted = gauge->CurrentStatus().recordsRead;
        QTimer::singleShot(sampleSeconds * 1000, [&, samplingStarted, cpuStarted, recordsStarted] {
            const double elapsed = std::chrono::duration<double>(Clock::now() - samplingStarted).count();
            const auto records = gauge->CurrentStatus().recordsRead - recordsStarted;
            // Five records a cycle.
            std::printf("%s: after %d s of sampling (%llu records): cycle %.2f ms, CPU %.2f %% of one core, "
                        "VmHWM %ld KiB, VmRSS %ld KiB\n",
                        withCurve ? "curve window open" : "curve window closed", sampleSeconds,
                        static_cast<unsigned long long>(records),
                        1000 * elapsed / (static_cast<double>(records) / 5),
                        100 * (CpuSeconds() - cpuStarted) / elapsed, StatusKilobytes("VmHWM"),
                        StatusKilobytes("VmRSS"));
            if (Dialog* dialog = application.MainWindow())
                dialog->EndDialog(IdCancel);
        });
    });
    RunCalibration(application, worksheet);
    std::filesystem::remove_all(root);
    return 0;
}
