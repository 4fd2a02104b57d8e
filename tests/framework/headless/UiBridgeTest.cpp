#include "framework/Dialog.h"
#include "framework/headless/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace slabcal {
namespace {

using namespace std::chrono_literals;

const DialogTemplate& FieldTemplate() {
    static const DialogTemplate dialog{
        1, {0, 0, 10, 10}, "", "", 9, {{5, ControlKind::Edit, "", {}, true, 0}}};
    return dialog;
}

class FieldDialog final : public Dialog {
public:
    FieldDialog() : Dialog(FieldTemplate()) {}
};

struct BridgeFixture : ::testing::Test {
    HeadlessBackend backend;
    FieldDialog dialog;
    HeadlessWindow& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
    std::stop_source stop;
};

TEST_F(BridgeFixture, WorkerTextReachesTheControlOnlyWhenTheUiThreadRunsIt) {
    auto bridge = dialog.Bridge();
    auto done = std::async(std::launch::async, [&] { return bridge->SetText(5, "123", stop.get_token()); });
    EXPECT_EQ(done.wait_for(50ms), std::future_status::timeout);
    EXPECT_EQ(window.GetText(5), "");
    ASSERT_TRUE(window.PumpUntil([&] { return done.wait_for(0s) == std::future_status::ready; }, 5s));
    EXPECT_TRUE(done.get());
    EXPECT_EQ(window.GetText(5), "123");
}

TEST_F(BridgeFixture, StopAbandonsAWaitingCallAndTheUiNeverRunsIt) {
    auto bridge = dialog.Bridge();
    auto done = std::async(std::launch::async, [&] { return bridge->SetText(5, "late", stop.get_token()); });
    EXPECT_EQ(done.wait_for(20ms), std::future_status::timeout);
    stop.request_stop();
    EXPECT_FALSE(done.get());
    window.ProcessPending();
    EXPECT_EQ(window.GetText(5), "");
}

TEST_F(BridgeFixture, WorkerMessageBoxIsShownByTheUiThreadAndItsAnswerReturned) {
    backend.QueueAnswer(IdNo);
    auto bridge = dialog.Bridge();
    auto answer = std::async(std::launch::async, [&] {
        return bridge->ShowMessageBox("量程转化错误", "slabcal", MessageBoxButtons::Ok, stop.get_token());
    });
    ASSERT_TRUE(window.PumpUntil([&] { return answer.wait_for(0s) == std::future_status::ready; }, 5s));
    EXPECT_EQ(answer.get(), IdNo);
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{"量程转化错误"});
}

TEST_F(BridgeFixture, ClosingTheWindowReleasesWaitersAndLaterCallsReturnAtOnce) {
    auto bridge = dialog.Bridge();
    auto done = std::async(std::launch::async, [&] { return bridge->SetText(5, "x", stop.get_token()); });
    EXPECT_EQ(done.wait_for(20ms), std::future_status::timeout);
    dialog.DestroyWindow();
    EXPECT_FALSE(done.get());
    EXPECT_FALSE(bridge->SetText(5, "y", stop.get_token()));
}

TEST_F(BridgeFixture, AnOpenBoxIsClosedWhenItsCallIsAbandoned) {
    // A task that leaves something open until it is answered or closed, as a real screen's box does.
    std::atomic<bool> closed = false;
    auto bridge = dialog.Bridge();
    std::atomic<bool> opened = false;
    auto result = std::async(std::launch::async, [&] {
        return bridge->Call(
            [&](DialogWindow&, const UiBridge::Completion& completion) {
                opened = true;
                completion.OnAbandon([&] { closed = true; });
            },
            stop.get_token());
    });
    ASSERT_TRUE(window.PumpUntil([&] { return opened.load(); }, 5s));
    stop.request_stop();
    EXPECT_FALSE(result.get().has_value());
    window.ProcessPending();
    EXPECT_TRUE(closed);
}

} // namespace
} // namespace slabcal
