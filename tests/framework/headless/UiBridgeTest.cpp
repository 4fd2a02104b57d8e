#include "framework/Dialog.h"
#include "framework/headless/HeadlessWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

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

// Counts what other threads post to the UI thread, so a test can wait until a worker's call is queued
// instead of sleeping and hoping it is.
class PostCount {
public:
    void Add() {
        {
            std::lock_guard guard(lock);
            ++posts;
        }
        changed.notify_all();
    }
    bool WaitFor(int count) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 20s, [&] { return posts >= count; });
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    int posts = 0;
};

// A headless window that counts the tasks posted to it and hands everything on.
class PostCountingWindow final : public DialogWindow {
public:
    PostCountingWindow(std::unique_ptr<DialogWindow> window, PostCount& count)
        : inner(std::move(window)), posts(count) {}

    HeadlessWindow& Inner() { return static_cast<HeadlessWindow&>(*inner); }

    std::string GetText(int id) const override { return inner->GetText(id); }
    void SetText(int id, std::string_view text) override { inner->SetText(id, text); }
    void Enable(int id, bool enabled) override { inner->Enable(id, enabled); }
    bool IsEnabled(int id) const override { return inner->IsEnabled(id); }
    void SetFocus(int id) override { inner->SetFocus(id); }
    void SetIcon(IconSize size, const IconResource& icon) override { inner->SetIcon(size, icon); }
    int ComboAddString(int id, std::string_view text) override { return inner->ComboAddString(id, text); }
    int ComboSetCurSel(int id, int index) override { return inner->ComboSetCurSel(id, index); }
    int ComboGetCurSel(int id) const override { return inner->ComboGetCurSel(id); }
    uint32_t ListGetExtendedStyle(int id) const override { return inner->ListGetExtendedStyle(id); }
    void ListSetExtendedStyle(int id, uint32_t exStyle) override { inner->ListSetExtendedStyle(id, exStyle); }
    int ListInsertColumn(int id, int index, std::string_view header, int widthPixels) override {
        return inner->ListInsertColumn(id, index, header, widthPixels);
    }
    int ListInsertItem(int id, int row, std::string_view text) override {
        return inner->ListInsertItem(id, row, text);
    }
    bool ListSetItemText(int id, int row, int subItem, std::string_view text) override {
        return inner->ListSetItemText(id, row, subItem, text);
    }
    std::string ListGetItemText(int id, int row, int subItem) const override {
        return inner->ListGetItemText(id, row, subItem);
    }
    int MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons) override {
        return inner->MessageBox(text, caption, buttons);
    }
    std::function<void()> OpenMessageBox(std::string_view text, std::string_view caption,
                                         MessageBoxButtons buttons,
                                         std::function<void(int)> answered) override {
        return inner->OpenMessageBox(text, caption, buttons, std::move(answered));
    }
    int RunModal() override { return inner->RunModal(); }
    void End(int result) override { inner->End(result); }
    void Post(std::function<void()> task) override {
        inner->Post(std::move(task));
        posts.Add();
    }

private:
    std::unique_ptr<DialogWindow> inner;
    PostCount& posts;
};

class PostCountingBackend final : public DialogBackend {
public:
    std::unique_ptr<DialogWindow> CreateDialogWindow(Dialog& dialog) override {
        return std::make_unique<PostCountingWindow>(headless.CreateDialogWindow(dialog), posts);
    }
    void ShowApplicationMessage(std::string_view caption, std::string_view text) override {
        headless.ShowApplicationMessage(caption, text);
    }
    int AskApplicationQuestion(std::string_view caption, std::string_view text) override {
        return headless.AskApplicationQuestion(caption, text);
    }

    HeadlessBackend headless;
    PostCount posts;
};

struct BridgeFixture : ::testing::Test {
    PostCountingBackend counting;
    HeadlessBackend& backend = counting.headless;
    FieldDialog dialog;
    HeadlessWindow& window = static_cast<PostCountingWindow&>(dialog.Create(counting)).Inner();
    std::stop_source stop;
};

TEST_F(BridgeFixture, WorkerTextReachesTheControlOnlyWhenTheUiThreadRunsIt) {
    auto bridge = dialog.Bridge();
    // The worker looks at the control as soon as its call returns: the text must be there by then.
    auto done = std::async(std::launch::async, [&] {
        const bool shown = bridge->SetText(5, "123", stop.get_token());
        return std::pair{shown, window.GetText(5)};
    });
    ASSERT_TRUE(counting.posts.WaitFor(1));
    EXPECT_EQ(window.GetText(5), "") << "set before the UI thread ran the posted call";
    EXPECT_EQ(window.ProcessPending(), 1U);
    EXPECT_EQ(window.GetText(5), "123");
    EXPECT_EQ(done.get(), std::pair(true, std::string("123")));
}

TEST_F(BridgeFixture, StopAbandonsAWaitingCallAndTheUiNeverRunsIt) {
    auto bridge = dialog.Bridge();
    auto done = std::async(std::launch::async, [&] { return bridge->SetText(5, "late", stop.get_token()); });
    ASSERT_TRUE(counting.posts.WaitFor(1)); // posted, not yet run: the call is waiting
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
    ASSERT_TRUE(counting.posts.WaitFor(1)); // posted, not yet run: the call is waiting
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
