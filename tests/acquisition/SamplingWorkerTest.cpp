#include "acquisition/SamplingWorker.h"

#include "Eventually.h"
#include "RecordingView.h"
#include "ScriptedDriver.h"
#include "acquisition/AdcDevice.h"
#include "platform/ApplicationMessageBox.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace slabcal {
namespace {

using test::BoundDriver;
using test::Eventually;
using test::RawRecord;
using test::RecordingView;

constexpr uint32_t SmallRangeCode = 8;
constexpr uint32_t LargeRangeCode = 9;
constexpr uint32_t ReadCode = 12;

// The codes of whole cycles (five reads, one range call), plus at most one cycle whose range call was
// skipped because the stop came during its text update. Returns the range codes in order.
std::vector<uint32_t> RangeCodesOfCycles(const std::vector<uint32_t>& codes) {
    std::vector<uint32_t> ranges;
    std::size_t at = 0;
    for (; at + 6 <= codes.size(); at += 6) {
        for (std::size_t read = at; read < at + 5; ++read)
            EXPECT_EQ(codes[read], ReadCode) << "call " << read;
        EXPECT_TRUE(codes[at + 5] == SmallRangeCode || codes[at + 5] == LargeRangeCode) << "call " << at + 5;
        ranges.push_back(codes[at + 5]);
    }
    const std::size_t rest = codes.size() - at;
    EXPECT_TRUE(rest == 0 || rest == 5) << rest << " calls after the last whole cycle";
    for (; at < codes.size(); ++at)
        EXPECT_EQ(codes[at], ReadCode) << "call " << at;
    return ranges;
}

class SamplingWorkerTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenDevice()); }

    BoundDriver driver;
    std::shared_ptr<std::atomic<int32_t>> currentRow = std::make_shared<std::atomic<int32_t>>(-1);
    std::shared_ptr<RecordingView> view = std::make_shared<RecordingView>();
};

struct RowAndRange {
    int32_t row;
    uint32_t rangeCode;
};

class SamplingRange : public SamplingWorkerTest, public testing::WithParamInterface<RowAndRange> {};

TEST_P(SamplingRange, EveryCycleReadsFiveRecordsThenSelectsTheRowsRange) {
    currentRow->store(GetParam().row);
    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(view->WaitForSignals(3));
    ASSERT_TRUE(worker.StopSampling());

    const auto ranges = RangeCodesOfCycles(driver->Codes());
    EXPECT_GE(ranges.size(), 2u);
    for (uint32_t range : ranges)
        EXPECT_EQ(range, GetParam().rangeCode);
    for (const std::string& shown : view->Signals())
        EXPECT_EQ(shown, "100");
    EXPECT_EQ(view->RangeErrors(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, SamplingRange,
                         testing::Values(RowAndRange{6, SmallRangeCode}, RowAndRange{7, LargeRangeCode},
                                         RowAndRange{-1, SmallRangeCode}, RowAndRange{15, LargeRangeCode}),
                         [](const testing::TestParamInfo<RowAndRange>& rowParam) {
                             const int32_t row = rowParam.param.row;
                             return row < 0 ? "RowMinus" + std::to_string(-row) : "Row" + std::to_string(row);
                         });

TEST_F(SamplingWorkerTest, RangeFollowsTheRowOnTheNextCycle) {
    currentRow->store(6);
    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(view->WaitForSignals(1));
    currentRow->store(7);
    ASSERT_TRUE(view->WaitForSignals(4));
    ASSERT_TRUE(worker.StopSampling());

    const auto ranges = RangeCodesOfCycles(driver->Codes());
    ASSERT_GE(ranges.size(), 3u);
    EXPECT_EQ(ranges.back(), LargeRangeCode);
    // Once the large range is chosen the small one never comes back.
    const auto firstLarge = std::find(ranges.begin(), ranges.end(), LargeRangeCode);
    EXPECT_EQ(std::count(firstLarge, ranges.end(), SmallRangeCode), 0);
}

// A failed read ends the worker without a message box, but the last number must not stay on show as if it
// were live: the view is told the converter stopped answering.
TEST_F(SamplingWorkerTest, FailedReadEndsTheWorkerAndWithdrawsTheSignal) {
    for (int i = 0; i < 5; ++i)
        driver->QueueRead(1, RawRecord(100000));
    driver->QueueRead(1, RawRecord(100000));
    driver->QueueRead(1, RawRecord(100000));
    driver->QueueRead(0, RawRecord(0));

    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(Eventually([&] { return !worker.IsRunning(); }));

    // No range call, no message box and no new value after the failed read.
    EXPECT_EQ(driver->Codes(), (std::vector<uint32_t>{12, 12, 12, 12, 12, 8, 12, 12, 12}));
    EXPECT_EQ(view->Signals(), std::vector<std::string>{"100"});
    EXPECT_EQ(view->RangeErrors(), 0);
    EXPECT_EQ(view->ConverterLosses(), 1);
    EXPECT_EQ(worker.AutoSampling(), 1);
    EXPECT_FALSE(worker.StopSampling());
}

// An exception out of the worker's thread would end the process; the worker ends as on a failed read.
TEST_F(SamplingWorkerTest, AThrowingViewEndsTheWorkerNotTheProcess) {
    struct ThrowingView final : RecordingView {
        void ShowSignalFromWorker(const std::string&, std::stop_token) override { throw std::bad_alloc(); }
    };
    for (int i = 0; i < 5; ++i)
        driver->QueueRead(1, RawRecord(100000));
    SamplingWorker worker(std::make_shared<ThrowingView>(), currentRow);
    ASSERT_TRUE(worker.StartSampling());
    EXPECT_TRUE(Eventually([&] { return !worker.IsRunning(); }));
}

TEST_F(SamplingWorkerTest, AbsentDeviceEndsTheFirstCycleWithoutAnyMessage) {
    CloseDevice();
    std::vector<std::string> messages;
    SetApplicationMessageBoxHandler([&](std::string_view text) { messages.emplace_back(text); });

    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(Eventually([&] { return !worker.IsRunning(); }));
    SetApplicationMessageBoxHandler(nullptr);

    EXPECT_TRUE(driver->Calls().empty());
    EXPECT_TRUE(view->Signals().empty());
    EXPECT_EQ(view->RangeErrors(), 0);
    EXPECT_EQ(view->ConverterLosses(), 0) << "no converter was ever there to stop answering";
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(worker.AutoSampling(), 1);
}

TEST_F(SamplingWorkerTest, FailedRangeSwitchIsShownEveryCycleAndSamplingGoesOn) {
    driver->SetRangeResult(2);
    currentRow->store(7);
    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(view->WaitForRangeErrors(3));
    EXPECT_TRUE(worker.IsRunning());
    ASSERT_TRUE(worker.StopSampling());

    EXPECT_GE(view->Signals().size(), 3u);
    const auto ranges = RangeCodesOfCycles(driver->Codes());
    EXPECT_GE(ranges.size(), 3u);
    for (uint32_t range : ranges)
        EXPECT_EQ(range, LargeRangeCode);
}

TEST_F(SamplingWorkerTest, StartWhileRunningKeepsTheOneThread) {
    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(view->WaitForSignals(2));
    EXPECT_TRUE(worker.StartSampling());
    ASSERT_TRUE(view->WaitForSignals(4));
    ASSERT_TRUE(worker.StopSampling());

    EXPECT_EQ(view->WorkerThreadCount(), 1);
    RangeCodesOfCycles(driver->Codes());
}

TEST_F(SamplingWorkerTest, StopWithoutARunningWorkerReturnsFalse) {
    SamplingWorker worker(view, currentRow);
    EXPECT_FALSE(worker.StopSampling());
    ASSERT_TRUE(worker.StartSampling());
    EXPECT_TRUE(worker.StopSampling());
    EXPECT_FALSE(worker.StopSampling());

    // A stopped worker starts again on a new thread.
    const auto before = view->Signals().size();
    ASSERT_TRUE(worker.StartSampling());
    EXPECT_TRUE(view->WaitForSignals(before + 1));
}

TEST_F(SamplingWorkerTest, ToggleSwitchesBetweenManualAndAutomaticSampling) {
    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(view->WaitForSignals(1));

    EXPECT_EQ(worker.ToggleAutoSampling(), 0);
    EXPECT_EQ(worker.AutoSampling(), 0);
    EXPECT_FALSE(worker.IsRunning());
    const auto shownWhileManual = view->Signals().size();

    EXPECT_EQ(worker.ToggleAutoSampling(), 1);
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_TRUE(view->WaitForSignals(shownWhileManual + 1));
}

TEST_F(SamplingWorkerTest, AfterAFailedReadTheFirstToggleOnlySwitchesToManual) {
    CloseDevice();
    SamplingWorker worker(view, currentRow);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(Eventually([&] { return !worker.IsRunning(); }));
    ASSERT_TRUE(OpenDevice());

    worker.ToggleAutoSampling();
    EXPECT_EQ(worker.AutoSampling(), 0);
    EXPECT_FALSE(worker.IsRunning());

    worker.ToggleAutoSampling(); // replaces the worker that ended by itself
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_TRUE(view->WaitForSignals(1));
}

// Blocks the worker in one of its UI calls until the worker is told to stop, as a UI thread busy with
// StopSampling would.
class BlockingView final : public RecordingView {
public:
    enum class Where { SignalUpdate, RangeErrorBox };
    explicit BlockingView(Where blockIn) : where(blockIn) {}

    void ShowSignalFromWorker(const std::string& text, std::stop_token stop) override {
        if (where == Where::SignalUpdate)
            Block(stop);
        else
            RecordingView::ShowSignalFromWorker(text, stop);
    }
    void ShowRangeErrorFromWorker(std::stop_token stop) override {
        if (where == Where::RangeErrorBox)
            Block(stop);
        else
            RecordingView::ShowRangeErrorFromWorker(stop);
    }

    bool WaitUntilBlocked() {
        return WaitUntil([&] { return blocked; });
    }
    bool SawStop() const {
        return Read([&] { return sawStop; });
    }

private:
    void Block(const std::stop_token& stop) {
        std::unique_lock guard(lock);
        blocked = true;
        changed.notify_all();
        std::condition_variable_any wake;
        wake.wait(guard, stop, [] { return false; });
        sawStop = stop.stop_requested();
    }

    const Where where;
    bool blocked = false;
    bool sawStop = false;
};

// A stop bound no healthy run comes near: a StopSampling that returns with the view's call over has joined.
constexpr SamplingPacing PatientStop{std::chrono::milliseconds(50), std::chrono::milliseconds(50),
                                     test::PatienceLimit};

TEST_F(SamplingWorkerTest, StopAbandonsAPendingSignalUpdate) {
    auto blocking = std::make_shared<BlockingView>(BlockingView::Where::SignalUpdate);
    SamplingWorker worker(blocking, currentRow, PatientStop);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(blocking->WaitUntilBlocked());

    EXPECT_TRUE(worker.StopSampling());
    EXPECT_TRUE(blocking->SawStop());
    // The abandoned cycle selects no range.
    EXPECT_EQ(driver->Codes(), (std::vector<uint32_t>{12, 12, 12, 12, 12}));
}

TEST_F(SamplingWorkerTest, StopClosesAWaitingRangeErrorBox) {
    driver->SetRangeResult(0);
    auto blocking = std::make_shared<BlockingView>(BlockingView::Where::RangeErrorBox);
    SamplingWorker worker(blocking, currentRow, PatientStop);
    ASSERT_TRUE(worker.StartSampling());
    ASSERT_TRUE(blocking->WaitUntilBlocked());

    EXPECT_TRUE(worker.StopSampling());
    EXPECT_TRUE(blocking->SawStop());
}

TEST_F(SamplingWorkerTest, DestroyingARunningWorkerStopsIt) {
    auto blocking = std::make_shared<BlockingView>(BlockingView::Where::SignalUpdate);
    {
        SamplingWorker worker(blocking, currentRow, PatientStop);
        ASSERT_TRUE(worker.StartSampling());
        ASSERT_TRUE(blocking->WaitUntilBlocked());
    }
    EXPECT_TRUE(blocking->SawStop());
}

// Ignores the stop token: the worker's thread stays in the signal update until the test lets it go.
class StubbornView final : public RecordingView {
public:
    explicit StubbornView(std::shared_ptr<std::atomic<int>> counter) : updates(std::move(counter)) {}

    void ShowSignalFromWorker(const std::string&, std::stop_token) override {
        updates->fetch_add(1);
        std::unique_lock guard(lock);
        blocked = true;
        changed.notify_all();
        changed.wait(guard, [&] { return released; });
    }
    bool WaitUntilBlocked() {
        return WaitUntil([&] { return blocked; });
    }
    void Release() {
        Record([&] { released = true; });
    }

private:
    const std::shared_ptr<std::atomic<int>> updates;
    bool blocked = false;
    bool released = false;
};

TEST_F(SamplingWorkerTest, AWorkerLetGoAfterTheStopBoundOutlivesItsOwnerSafely) {
    const SamplingPacing shortBound{std::chrono::milliseconds(50), std::chrono::milliseconds(50),
                                    std::chrono::milliseconds(100)};
    auto updates = std::make_shared<std::atomic<int>>(0);
    auto stubborn = std::make_shared<StubbornView>(updates);
    std::weak_ptr<StubbornView> watch = stubborn;
    {
        SamplingWorker worker(std::move(stubborn), currentRow, shortBound);
        ASSERT_TRUE(worker.StartSampling());
        ASSERT_TRUE(watch.lock()->WaitUntilBlocked());
        EXPECT_TRUE(worker.StopSampling());
        EXPECT_FALSE(worker.IsRunning());
    }
    // The worker's owner is gone while its thread still waits; once released, the thread finishes
    // without another UI call and lets go of the view it shared.
    watch.lock()->Release();
    EXPECT_TRUE(Eventually([&] { return watch.expired(); }));
    EXPECT_EQ(updates->load(), 1);
    EXPECT_EQ(driver->Codes(), (std::vector<uint32_t>{12, 12, 12, 12, 12}));
}

} // namespace
} // namespace slabcal
