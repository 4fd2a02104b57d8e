#include "QtTestSupport.h"
#include "TestDialog.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <optional>
#include <thread>

namespace slabcal {
namespace {

using test::ProcessEventsUntil;
using test::TestDialog;
using test::VisibleMessageBox;

// A worker thread reaches the Qt window only through the dialog's bridge, while the test's thread plays the
// UI thread by running the event loop.
class QtWorkerBridgeTest : public testing::Test {
protected:
    void SetUp() override {
        dialog.Create(backend);
        Window().Frame().show();
    }
    void TearDown() override { dialog.DestroyWindow(); }
    QtDialogWindow& Window() { return static_cast<QtDialogWindow&>(dialog.Window()); }

    // A worker that shows the range-switch box and waits for its answer.
    void StartAsking() {
        worker = std::jthread([this, bridge = dialog.Bridge()](std::stop_token stop) {
            answer = bridge->ShowMessageBox("量程转化错误", "slabcal", MessageBoxButtons::Ok, stop);
            done = true;
        });
    }

    QtBackend backend;
    TestDialog dialog;
    std::atomic<bool> done{false};
    std::optional<int> answer = 0; // written by the worker before `done`
    std::jthread worker;
};

TEST_F(QtWorkerBridgeTest, WorkerTextReachesTheControlOnTheUiThread) {
    std::atomic<bool> delivered{false};
    worker = std::jthread([&, bridge = dialog.Bridge()](std::stop_token stop) {
        delivered = bridge->SetText(ids::SignalField, "4711", stop);
        done = true;
    });
    ASSERT_TRUE(ProcessEventsUntil([&] { return done.load(); }));
    EXPECT_TRUE(delivered);
    EXPECT_EQ(qobject_cast<QLineEdit*>(Window().Control(ids::SignalField))->text().toStdString(), "4711");
}

TEST_F(QtWorkerBridgeTest, WorkerBoxIsAnsweredWhileTheDialogKeepsWorking) {
    StartAsking();
    QMessageBox* box = nullptr;
    ASSERT_TRUE(ProcessEventsUntil([&] { return (box = VisibleMessageBox()) != nullptr; }));
    EXPECT_EQ(box->text().toStdString(), "量程转化错误");
    EXPECT_EQ(box->windowTitle().toStdString(), "slabcal");

    // The box does not block the dialog: a save goes through while it is up.
    QTest::mouseClick(qobject_cast<QPushButton*>(Window().Control(ids::SavePointButton)), Qt::LeftButton);
    EXPECT_EQ(dialog.saves, 1);
    EXPECT_FALSE(done);

    box->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return done.load(); }));
    EXPECT_EQ(answer, IdOk);
}

TEST_F(QtWorkerBridgeTest, StoppingTheWorkerClosesItsBoxUnanswered) {
    StartAsking();
    ASSERT_TRUE(ProcessEventsUntil([] { return VisibleMessageBox() != nullptr; }));
    worker.request_stop();
    ASSERT_TRUE(ProcessEventsUntil([&] { return done.load() && VisibleMessageBox() == nullptr; }));
    EXPECT_EQ(answer, std::nullopt);
    worker.join();

    // A worker that was told to stop before it asks shows nothing.
    std::stop_source stopped;
    stopped.request_stop();
    std::jthread late([&, bridge = dialog.Bridge()] {
        answer = bridge->ShowMessageBox("x", "y", MessageBoxButtons::Ok, stopped.get_token());
    });
    late.join();
    EXPECT_EQ(answer, std::nullopt);
    QApplication::processEvents();
    EXPECT_EQ(VisibleMessageBox(), nullptr);
}

TEST_F(QtWorkerBridgeTest, ClosingTheWindowReleasesAWaitingWorker) {
    StartAsking();
    ASSERT_TRUE(ProcessEventsUntil([] { return VisibleMessageBox() != nullptr; }));
    dialog.DestroyWindow();
    worker.join();
    EXPECT_EQ(answer, std::nullopt);
    QApplication::processEvents();
    EXPECT_EQ(VisibleMessageBox(), nullptr);
}

} // namespace
} // namespace slabcal
