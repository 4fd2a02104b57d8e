// The converter failing in every way the simulated gauge can fail, end to end: start-up, the calibration
// dialog on the headless backend, the sampling worker and shutdown. Each row checks the boxes the operator
// sees and their order, the worker's state after the fault, and that closing the window ends the run at
// once with the worker stopped and the device closed.
#include "app/Startup.h"
#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "drivers/simulated/GaugeResponse.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "reliability/HookedHostFileSystem.h"
#include "resources/ControlIds.h"
#include "storage/ParameterFile.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"
#include "worksheet/CalibrationWorksheet.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>
#include <utility>

namespace slabcal {
namespace {

using namespace std::chrono_literals;

constexpr auto PumpBound = 20s;

// Ends the test program when a test does not come back: a hang would otherwise stall the whole suite
// without saying where. The bound is far beyond any run's length, so it never decides a passing test.
class HangGuard final {
public:
    explicit HangGuard(std::chrono::seconds bound)
        : watcher([this, bound] {
              std::unique_lock guard(lock);
              if (!changed.wait_for(guard, bound, [this] { return disarmed; })) {
                  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
                  std::fprintf(stderr, "%s hung: no return within %lld s\n",
                               test != nullptr ? test->name() : "?", static_cast<long long>(bound.count()));
                  std::abort();
              }
          }) {}
    ~HangGuard() {
        {
            std::lock_guard guard(lock);
            disarmed = true;
        }
        changed.notify_all();
        watcher.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::mutex lock;
    std::condition_variable changed;
    bool disarmed = false;
    std::thread watcher;
};

// The simulated gauge with a tally of what reached it, and a hook on every open and close.
class ProbedGauge final : public StreamDriver {
public:
    explicit ProbedGauge(std::shared_ptr<SimulatedGauge> simulated) : gauge(std::move(simulated)) {}

    bool Open() override {
        const bool opened = gauge->Open();
        if (opened) {
            isOpen = true;
            ++opens;
            if (onOpen)
                onOpen(opens);
        }
        return opened;
    }
    int IoControl(uint32_t code, uint8_t* output, uint32_t length, uint32_t* returned) override {
        if (!isOpen)
            ++callsWhileClosed;
        if (code == ReadSampleCode)
            ++reads;
        if (code == SelectSmallRangeCode || code == SelectLargeRangeCode)
            ++rangeCalls;
        return gauge->IoControl(code, output, length, returned);
    }
    void Close() override {
        if (onClose)
            onClose();
        isOpen = false;
        ++closes;
        gauge->Close();
    }

    const std::shared_ptr<SimulatedGauge> gauge;
    std::function<void(int)> onOpen; // UI thread
    std::function<void()> onClose;   // UI thread
    std::atomic<bool> isOpen = false;
    std::atomic<int> opens = 0;
    std::atomic<int> closes = 0;
    std::atomic<int> reads = 0;
    std::atomic<int> rangeCalls = 0;
    std::atomic<int> callsWhileClosed = 0;
};

// The signal the noise-free simulated gauge shows for a probe at `heightMm` on `range`.
std::string GaugeSignal(double heightMm, ConverterRange range) {
    const double counts =
        std::min(std::round(GaugeResponse(heightMm, range)), double{SimulatedGauge::MaxCounts});
    return std::to_string(static_cast<uint32_t>(counts) / 1000);
}

ConverterRange RangeOfRow(int row) {
    return row <= 6 ? ConverterRange::Small : ConverterRange::Large;
}

double HeightOfRow(int row) {
    return std::stod(std::string(points::Heights[static_cast<std::size_t>(row)]));
}

MessageBoxRecord ApplicationBox(std::string_view text) {
    return {std::string(text), "slabcal", MessageBoxButtons::Ok, IdOk};
}

const MessageBoxRecord ConfirmSaveYes{std::string(texts::ConfirmSave), std::string(texts::NoticeCaption),
                                      MessageBoxButtons::YesNo, IdYes};

struct DriverFaultMatrix : ::testing::Test {
    HangGuard hangGuard{120s};
    TemporaryFolder folder;
    HookedHostFileSystem hostFiles;
    DeviceFileSystem files{folder.Path(), hostFiles};
    SegmentModel model;
    HeadlessBackend backend;
    Application application{"/usr/bin/slabcal", backend};
    std::shared_ptr<ProbedGauge> driver = std::make_shared<ProbedGauge>(std::make_shared<SimulatedGauge>());
    // Short cycles, but the worker's stop bounds as long as the hang guard's: a shutdown that waited out
    // a bound instead of ending the worker at once shows as a hang.
    SamplingPacing pacing{2ms, 2ms, 10min, 10min};

    // Seen at the last close of the device, which must come while the dialog still has its window and
    // after its worker has stopped.
    bool closedWithWindowUp = false;
    bool closedWithWorkerRunning = true;
    bool stepsAfterCloseRan = false;

    void SetUp() override {
        driver->gauge->SetConversionTime(0us);
        driver->gauge->SetNoise(0);
        driver->onClose = [this] {
            if (auto* shown = application.MainWindow()) {
                closedWithWindowUp = shown->HasWindow();
                closedWithWorkerRunning = ShownDialog().Worker().IsRunning();
            }
        };
        Drivers().Bind(ConverterDeviceName, driver);
        std::filesystem::create_directories(folder / "NandFlash");
    }
    void TearDown() override { Drivers().Unbind(ConverterDeviceName); }

    CalibrationDialog& ShownDialog() { return *static_cast<CalibrationDialog*>(application.MainWindow()); }

    // Runs the whole program's calibration with `steps` as the operator, who closes the window after them.
    void Run(std::function<void(HeadlessWindow&)> steps) {
        backend.AddStep(std::move(steps));
        backend.AddStep([](HeadlessWindow& window) { window.PressCancel(); });
        backend.AddStep([this](HeadlessWindow&) { stepsAfterCloseRan = true; });
        RunCalibration(application, std::make_shared<CalibrationWorksheet>(model, files), pacing);
    }

    // After the run: every handle that was opened was closed, the last close came with the window still up
    // and the worker already stopped, and nothing reached the driver through a closed handle.
    void ExpectCleanShutdown() const {
        EXPECT_FALSE(stepsAfterCloseRan);
        EXPECT_EQ(driver->closes, driver->opens);
        EXPECT_FALSE(driver->gauge->CurrentStatus().open);
        EXPECT_EQ(driver->callsWhileClosed, 0);
        if (driver->opens > 1) {
            EXPECT_TRUE(closedWithWindowUp);
            EXPECT_FALSE(closedWithWorkerRunning);
        }
    }

    bool PumpUntil(HeadlessWindow& window, const std::function<bool()>& done) {
        return window.PumpUntil(done, std::chrono::duration_cast<std::chrono::milliseconds>(PumpBound));
    }

    // The operator records all fifteen points from the live signal, probe set to each height in turn.
    void RecordLive(HeadlessWindow& window) {
        for (int row = 0; row < points::RowCount; ++row) {
            driver->gauge->SetHeight(HeightOfRow(row));
            const std::string expected = GaugeSignal(HeightOfRow(row), RangeOfRow(row));
            ASSERT_TRUE(PumpUntil(window, [&] { return window.GetText(ids::SignalField) == expected; }))
                << "row " << row << " never showed " << expected;
            window.Click(ids::SavePointButton);
        }
    }
    // The operator types the fifteen points the gauge would have given.
    static void TypeAll(HeadlessWindow& window) {
        for (int row = 0; row < points::RowCount; ++row) {
            window.Select(ids::HeightBox, row);
            window.Type(ids::SignalField, GaugeSignal(HeightOfRow(row), RangeOfRow(row)));
            window.Click(ids::SavePointButton);
        }
    }

    [[nodiscard]] std::string HostFile(const std::string& relative) const {
        return ReadHostFile(folder / relative);
    }
    // The stored parameter file reads back whole, and its backup is the same bytes.
    void ExpectStoredAndBackedUp() const {
        const std::string stored = HostFile("NandFlash/ZPQ.ini");
        ParameterFile table(files);
        table.Parse(stored);
        EXPECT_EQ(table.Entries().size(), 16U) << stored;
        EXPECT_EQ(HostFile("NandFlash/BackUp/ZPQ.ini"), stored);
    }
};

TEST_F(DriverFaultMatrix, AbsentDriverGivesThreeBoxesInOrderAndTheTableStillCalibrates) {
    driver->gauge->SetAbsent(true);
    Run([&](HeadlessWindow& window) {
        // The worker ends at its first read, on the invalid handle, without a word.
        EXPECT_TRUE(PumpUntil(window, [&] { return !ShownDialog().Worker().IsRunning(); }));
        EXPECT_EQ(window.GetText(ids::SignalField), "");
        EXPECT_EQ(ShownDialog().Worker().AutoSampling(), 1);
        TypeAll(window);
        window.Click(ids::WriteParametersButton);
        EXPECT_EQ(window.GetText(ids::StatusLine), texts::WriteFinished);
    });
    const std::vector<MessageBoxRecord> expected{ApplicationBox(texts::OpenDriverFailed),
                                                 ApplicationBox(texts::AdInitializationError),
                                                 ApplicationBox(texts::OpenDriverFailed), ConfirmSaveYes};
    EXPECT_EQ(backend.Boxes(), expected);
    EXPECT_EQ(driver->opens, 0);
    EXPECT_EQ(driver->reads, 0);
    ExpectStoredAndBackedUp();
    ExpectCleanShutdown();
}

TEST_F(DriverFaultMatrix, DeadConverterReportsOnlyTheInitialisationAndTheWorkerEndsSilently) {
    driver->gauge->FailInitialisations(5);
    driver->gauge->FailReadsFrom(0);
    Run([&](HeadlessWindow& window) {
        EXPECT_TRUE(PumpUntil(window, [&] { return !ShownDialog().Worker().IsRunning(); }));
        EXPECT_EQ(window.GetText(ids::SignalField), "");
        EXPECT_EQ(ShownDialog().Worker().AutoSampling(), 1);
    });
    EXPECT_EQ(backend.Boxes(), std::vector<MessageBoxRecord>{ApplicationBox(texts::AdInitializationError)});
    // Start-up: five initialise calls and the one fallback read; the worker: the first read of its cycle.
    EXPECT_EQ(driver->reads, 2);
    EXPECT_EQ(driver->rangeCalls, 0);
    ExpectCleanShutdown();
}

TEST_F(DriverFaultMatrix, ConverterFailingOnlyAtStartUpIsReportedAndThenSamplesNormally) {
    driver->gauge->FailInitialisations(5);
    driver->gauge->FailReadsFrom(0);
    driver->onOpen = [this](int opens) {
        if (opens == 2) // the dialog's own open: the converter has come round meanwhile
            driver->gauge->ClearFaults();
    };
    Run([&](HeadlessWindow& window) {
        const std::string expected = GaugeSignal(SimulatedGauge::PowerUpHeightMm, ConverterRange::Small);
        EXPECT_TRUE(PumpUntil(window, [&] { return window.GetText(ids::SignalField) == expected; }));
        EXPECT_TRUE(PumpUntil(window, [&] { return driver->rangeCalls >= 3; }));
        EXPECT_TRUE(ShownDialog().Worker().IsRunning());
    });
    EXPECT_EQ(backend.Boxes(), std::vector<MessageBoxRecord>{ApplicationBox(texts::AdInitializationError)});
    ExpectCleanShutdown();
}

class ReadsFailingFromCycle : public DriverFaultMatrix, public ::testing::WithParamInterface<int> {};

// No box, but no stale number either: the field is emptied (a save then records no signal, which the
// write command refuses) and the status line says why.
TEST_P(ReadsFailingFromCycle, EndTheWorkerAndWithdrawTheLastNumber) {
    const int cycle = GetParam();
    driver->gauge->FailReadsFrom(5 * cycle); // start-up initialises on the first call and reads nothing
    Run([&](HeadlessWindow& window) {
        EXPECT_TRUE(
            PumpUntil(window, [&] { return window.GetText(ids::StatusLine) == texts::ConverterLost; }));
        EXPECT_FALSE(ShownDialog().Worker().IsRunning());
        EXPECT_EQ(window.GetText(ids::SignalField), "");
        EXPECT_EQ(ShownDialog().Worker().AutoSampling(), 1);
    });
    EXPECT_TRUE(backend.Boxes().empty());
    // The cycles before the fault read five records and switched the range; the failing one stopped at its
    // first bad record and did nothing more, and no read came after it, shutdown included.
    EXPECT_EQ(driver->reads, 5 * cycle + 1);
    EXPECT_EQ(driver->rangeCalls, cycle);
    ExpectCleanShutdown();
}

INSTANTIATE_TEST_SUITE_P(FirstSecondOrFifth, ReadsFailingFromCycle, ::testing::Values(0, 1, 4));

// A lost converter is opened anew from the window ("重新连接"), as often as it takes, and the table stays:
// a reconnect that finds the converter still away says so with the open's box and changes nothing.
TEST_F(DriverFaultMatrix, ALostConverterReconnectsAndTheTableStays) {
    std::shared_ptr<LiveSignal> kept;
    Run([&](HeadlessWindow& window) {
        kept = ShownDialog().Worksheet().Live();
        LiveSignal& live = *kept;
        const std::string first = GaugeSignal(SimulatedGauge::PowerUpHeightMm, ConverterRange::Small);
        ASSERT_TRUE(PumpUntil(window, [&] { return window.GetText(ids::SignalField) == first; }));
        window.Click(ids::SavePointButton);
        const std::string savedRow = window.ListGetItemText(ids::PointList, 0, points::SignalColumn);
        EXPECT_EQ(savedRow, first);

        driver->gauge->FailReadsFrom(0);
        ASSERT_TRUE(PumpUntil(window, [&] { return live.IsLost(); }));
        EXPECT_FALSE(ShownDialog().Worker().IsRunning());

        driver->gauge->SetAbsent(true);
        EXPECT_FALSE(live.Reconnect());
        EXPECT_TRUE(live.IsLost());
        EXPECT_FALSE(ShownDialog().Worker().IsRunning());

        driver->gauge->SetAbsent(false);
        driver->gauge->ClearFaults();
        driver->gauge->SetHeight(HeightOfRow(1));
        EXPECT_TRUE(live.Reconnect());
        const std::string second = GaugeSignal(HeightOfRow(1), ConverterRange::Small);
        // The field shows a value before the faces hear of it.
        EXPECT_TRUE(PumpUntil(window, [&] { return window.GetText(ids::SignalField) == second; }));
        EXPECT_TRUE(PumpUntil(window, [&] { return !live.IsLost(); }));
        EXPECT_EQ(window.GetText(ids::StatusLine), "");
        EXPECT_EQ(window.ListGetItemText(ids::PointList, 0, points::SignalColumn), savedRow);
        EXPECT_EQ(ShownDialog().CurrentRow(), 1);
        window.Click(ids::SavePointButton);
        EXPECT_EQ(window.ListGetItemText(ids::PointList, 1, points::SignalColumn), second);
    });
    EXPECT_EQ(backend.Boxes(), std::vector<MessageBoxRecord>{ApplicationBox(texts::OpenDriverFailed)});
    EXPECT_FALSE(kept->CanReconnect()); // the dialog is gone: nothing to reconnect through
    ExpectCleanShutdown();
}

TEST_F(DriverFaultMatrix, RangeSwitchFailingOnceGivesExactlyOneBoxAndSamplingGoesOn) {
    driver->gauge->FailRangeSwitches(1);
    Run([&](HeadlessWindow& window) {
        EXPECT_TRUE(PumpUntil(window, [&] { return driver->rangeCalls >= 5; }));
        EXPECT_TRUE(ShownDialog().Worker().IsRunning());
        EXPECT_EQ(window.GetText(ids::SignalField),
                  GaugeSignal(SimulatedGauge::PowerUpHeightMm, ConverterRange::Small));
    });
    EXPECT_EQ(backend.Boxes(), std::vector<MessageBoxRecord>{ApplicationBox(texts::RangeSwitchError)});
    ExpectCleanShutdown();
}

TEST_F(DriverFaultMatrix, RangeSwitchFailingForGoodRepeatsTheBoxEveryCycleAndTheWindowStillCloses) {
    driver->gauge->SetRangeSwitchFailing(true);
    Run([&](HeadlessWindow& window) {
        EXPECT_TRUE(PumpUntil(window, [&] { return backend.Boxes().size() >= 3; }));
        const int readsThen = driver->reads;
        EXPECT_TRUE(PumpUntil(window, [&] { return driver->reads >= readsThen + 10; }));
        EXPECT_TRUE(ShownDialog().Worker().IsRunning());
        // One box per failed switch, and the worker waits on each: it is at most one switch ahead.
        const auto boxes = static_cast<int>(backend.Boxes().size());
        const int switches = driver->rangeCalls;
        EXPECT_GE(switches, boxes);
        EXPECT_LE(switches, boxes + 1);
        // The window closes with a box possibly still waiting to be shown.
    });
    const auto boxes = backend.Boxes();
    ASSERT_GE(boxes.size(), 3U);
    for (const auto& box : boxes)
        EXPECT_EQ(box, ApplicationBox(texts::RangeSwitchError));
    ExpectCleanShutdown();
}

// The fault strikes while the write command replaces the parameter file; the worker touches neither the
// table nor the files, so the save completes as it would have without it.
struct FaultDuringSave {
    const char* name;
    std::function<void(SimulatedGauge&)> inject;
    // Until when the UI thread, still inside the save, serves the worker.
    std::function<bool(CalibrationDialog&, const HeadlessBackend&)> served;
    bool workerRunsAfter;
    bool rangeBoxes;
};

void PrintTo(const FaultDuringSave& fault, std::ostream* out) {
    *out << fault.name;
}

class DriverFaultDuringSave : public DriverFaultMatrix,
                              public ::testing::WithParamInterface<FaultDuringSave> {};

TEST_P(DriverFaultDuringSave, LeavesTheSaveWholeAndTheWorkerInItsState) {
    const FaultDuringSave& fault = GetParam();
    Run([&](HeadlessWindow& window) {
        RecordLive(window);
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(backend.Boxes().empty());
        hostFiles.onFirstRename = [&] {
            fault.inject(*driver->gauge);
            EXPECT_TRUE(PumpUntil(window, [&] { return fault.served(ShownDialog(), backend); }));
        };
        window.Click(ids::WriteParametersButton);
        EXPECT_EQ(window.GetText(ids::StatusLine), texts::WriteFinished);
        EXPECT_EQ(ShownDialog().Worker().IsRunning(), fault.workerRunsAfter);
        EXPECT_EQ(ShownDialog().Worker().AutoSampling(), 1);
        // A worker still running shows a number; one that lost the converter has withdrawn it.
        EXPECT_EQ(window.GetText(ids::SignalField).empty(), !fault.workerRunsAfter);
    });
    const auto boxes = backend.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front(), ConfirmSaveYes);
    for (std::size_t i = 1; i < boxes.size(); ++i)
        EXPECT_EQ(boxes[i], ApplicationBox(texts::RangeSwitchError));
    EXPECT_EQ(boxes.size() > 1, fault.rangeBoxes);
    ExpectStoredAndBackedUp();
    ExpectCleanShutdown();
}

INSTANTIATE_TEST_SUITE_P(
    ReadsOrRangeSwitches, DriverFaultDuringSave,
    ::testing::Values(FaultDuringSave{"ReadsFail", [](SimulatedGauge& gauge) { gauge.FailReadsFrom(0); },
                                      [](CalibrationDialog& dialog, const HeadlessBackend&) {
                                          return dialog.GetItemText(ids::SignalField).empty();
                                      },
                                      false, false},
                      FaultDuringSave{"RangeSwitchesFail",
                                      [](SimulatedGauge& gauge) { gauge.SetRangeSwitchFailing(true); },
                                      [](CalibrationDialog&, const HeadlessBackend& boxes) {
                                          return boxes.Boxes().size() >= 3;
                                      },
                                      true, true}),
    [](const ::testing::TestParamInfo<FaultDuringSave>& row) { return std::string(row.param.name); });

} // namespace
} // namespace slabcal
