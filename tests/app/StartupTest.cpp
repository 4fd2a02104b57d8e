#include "app/Startup.h"
#include "platform/ConverterContract.h"
#include "worksheet/CalibrationWorksheet.h"

#include "calibration/CalibrationDialog.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace slabcal {
namespace {

using namespace std::chrono_literals;

// Counts what start-up does with the converter, passing every call on to a simulated gauge.
class CountingDriver final : public StreamDriver {
public:
    explicit CountingDriver(std::shared_ptr<SimulatedGauge> simulated) : gauge(std::move(simulated)) {}
    bool Open() override {
        const bool opened = gauge->Open();
        if (opened) {
            isOpen = true;
            ++opens;
        }
        return opened;
    }
    int IoControl(uint32_t code, uint8_t* output, uint32_t length, uint32_t* returned) override {
        if (!isOpen)
            ++callsWhileClosed;
        ++callsInFlight;
        const int result = gauge->IoControl(code, output, length, returned);
        --callsInFlight;
        {
            std::lock_guard guard(lock);
            ++calls;
        }
        called.notify_all();
        return result;
    }
    void Close() override {
        if (onClose)
            onClose();
        callsInFlightAtClose += callsInFlight;
        isOpen = false;
        ++closes;
        gauge->Close();
    }
    // Waits until `count` calls have reached the gauge; false if they do not within the test's patience.
    bool WaitForCalls(int count) {
        std::unique_lock guard(lock);
        return called.wait_for(guard, 20s, [&] { return calls >= count; });
    }

    std::shared_ptr<SimulatedGauge> gauge;
    std::function<void()> onClose; // on the UI thread, before the close reaches the gauge
    std::atomic<bool> isOpen = false;
    std::atomic<int> opens = 0;
    std::atomic<int> closes = 0;
    std::atomic<int> callsInFlight = 0;
    std::atomic<int> callsInFlightAtClose = 0;
    std::atomic<int> callsWhileClosed = 0;

private:
    std::mutex lock;
    std::condition_variable called;
    int calls = 0;
};

struct StartupTest : ::testing::Test {
    TemporaryFolder folder;
    DeviceFileSystem files{folder.Path()};
    SegmentModel model;
    HeadlessBackend backend;
    Application application{"/usr/bin/slabcal", backend};
    SamplingPacing fast{2ms, 2ms};

    void SetUp() override { Drivers().Unbind(ConverterDeviceName); }
    void TearDown() override { Drivers().Unbind(ConverterDeviceName); }

    std::shared_ptr<CountingDriver> BindGauge() {
        auto gauge = std::make_shared<SimulatedGauge>();
        gauge->SetConversionTime(0us);
        gauge->SetNoise(0);
        auto driver = std::make_shared<CountingDriver>(gauge);
        Drivers().Bind(ConverterDeviceName, driver);
        return driver;
    }
};

TEST_F(StartupTest, WithoutDriverThreeMessagesComeInOrderAndTheDialogStillRuns) {
    bool dialogRan = false;
    backend.AddStep([&](HeadlessWindow& window) { dialogRan = window.ListRowCount(ids::PointList) == 15; });
    RunCalibration(application, std::make_shared<CalibrationWorksheet>(model, files), fast);
    const std::vector<std::string> expected{std::string(texts::OpenDriverFailed),
                                            std::string(texts::AdInitializationError),
                                            std::string(texts::OpenDriverFailed)};
    EXPECT_EQ(backend.BoxTexts(), expected);
    for (const auto& box : backend.Boxes())
        EXPECT_EQ(box.caption, "slabcal");
    EXPECT_TRUE(dialogRan);
}

TEST_F(StartupTest, AnswersOnlyTheInitialisationErrorWhenTheConverterDoesNotInitialise) {
    auto driver = BindGauge();
    driver->gauge->FailInitialisations(5);
    driver->gauge->FailReadsFrom(0);
    RunCalibration(application, std::make_shared<CalibrationWorksheet>(model, files), fast);
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{std::string(texts::AdInitializationError)});
}

TEST_F(StartupTest, AWorkingConverterIsOpenedTwiceAndClosedOnceWhileTheDialogRuns) {
    auto driver = BindGauge();
    bool workerRunningAtLastClose = true;
    driver->onClose = [&] {
        if (Dialog* shown = application.MainWindow())
            workerRunningAtLastClose = static_cast<CalibrationDialog*>(shown)->Worker().IsRunning();
    };
    int opensDuringRun = 0;
    int closesDuringRun = 0;
    std::string signal;
    backend.AddStep([&](HeadlessWindow& window) {
        window.PumpUntil([&] { return !window.GetText(ids::SignalField).empty(); }, 5s);
        signal = window.GetText(ids::SignalField);
        opensDuringRun = driver->opens;
        closesDuringRun = driver->closes;
    });
    RunCalibration(application, std::make_shared<CalibrationWorksheet>(model, files), fast);
    EXPECT_TRUE(backend.Boxes().empty());
    EXPECT_EQ(opensDuringRun, 2);
    EXPECT_EQ(closesDuringRun, 1);
    EXPECT_EQ(signal, "9894"); // the simulated probe rests at 40 mm
    // Shutdown stops the worker, then closes the device, before the dialog goes away: nothing of the
    // worker's is under way at the close, and nothing reaches the converter once it is closed.
    EXPECT_EQ(driver->closes, 2);
    EXPECT_FALSE(workerRunningAtLastClose);
    EXPECT_EQ(driver->callsInFlightAtClose, 0);
    EXPECT_EQ(driver->callsWhileClosed, 0);
}

TEST_F(StartupTest, ShutdownDoesNotHangOnAWorkerWaitingForTheUiThread) {
    auto driver = BindGauge();
    // The run ends without ever serving the worker's first text update, so the worker is left waiting.
    backend.AddStep([&](HeadlessWindow&) { EXPECT_TRUE(driver->WaitForCalls(5)); });
    // Stop bounds far beyond the test's time limit: a shutdown that waited one out instead of abandoning
    // the worker's call would show as a hang, not pass late.
    RunCalibration(application, std::make_shared<CalibrationWorksheet>(model, files),
                   {2ms, 2ms, 10min, 10min});
    EXPECT_EQ(driver->closes, 2);
}

} // namespace
} // namespace slabcal
