#include "QtTestSupport.h"
#include "TestDialog.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

namespace slabcal {
namespace {

using test::TestDialog;
using test::VisibleMessageBox;

QtDialogWindow& QtWindowOf(Dialog& dialog) {
    return static_cast<QtDialogWindow&>(dialog.Window());
}

// Runs `dialog` modally and does `step` inside its loop once the window is up and active.
int RunWith(Dialog& dialog, QtBackend& backend, std::function<void(QtDialogWindow&)> step) {
    QTimer::singleShot(0, [&dialog, step = std::move(step)] {
        QtDialogWindow& window = QtWindowOf(dialog);
        if (!test::ProcessEventsUntil([&] { return window.Frame().isVisible(); }))
            return;
        window.Frame().activateWindow();
        (void)QTest::qWaitForWindowActive(&window.Frame());
        step(window);
    });
    return dialog.DoModal(backend);
}

// Answers the next message box that shows up, after recording what it shows.
struct BoxAnswerer {
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons;
    QAbstractButton* defaultButton = nullptr;
    QMessageBox::StandardButton defaultStandard = QMessageBox::NoButton;

    void AnswerNext(std::function<void(QMessageBox&)> answer) {
        QTimer::singleShot(0, [this, answer = std::move(answer)] {
            QMessageBox* box = nullptr;
            if (!test::ProcessEventsUntil([&] { return (box = VisibleMessageBox()) != nullptr; }))
                return;
            text = box->text();
            caption = box->windowTitle();
            buttons = box->standardButtons();
            defaultStandard = box->standardButton(box->defaultButton());
            answer(*box);
        });
    }
};

class QtModalRunTest : public testing::Test {
protected:
    QtBackend backend;
    TestDialog dialog;
};

TEST_F(QtModalRunTest, EscapeSendsCancelAndEndsTheRun) {
    int result = RunWith(dialog, backend, [](QtDialogWindow& window) {
        QTest::keyClick(window.Frame().focusWidget(), Qt::Key_Escape);
    });
    EXPECT_EQ(result, IdCancel);
    EXPECT_FALSE(dialog.HasWindow());
}

TEST_F(QtModalRunTest, CloseBoxGoesThroughTheCancelCommand) {
    dialog.refuseCancel = true;
    bool stayedOpen = false;
    int result = RunWith(dialog, backend, [&](QtDialogWindow& window) {
        window.Frame().close();
        stayedOpen = window.Frame().isVisible();
        window.End(IdOk);
    });
    // A Cancel command that does not end the dialog keeps the window open.
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, IdOk);

    TestDialog plain;
    EXPECT_EQ(RunWith(plain, backend, [](QtDialogWindow& window) { window.Frame().close(); }), IdCancel);
}

TEST_F(QtModalRunTest, CtrlReturnIsTheOkCommandAndReadsTheSelection) {
    int result = RunWith(dialog, backend, [](QtDialogWindow& window) {
        window.ComboSetCurSel(ids::HeightBox, 2);
        QTest::keyClick(window.Frame().focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    });
    EXPECT_EQ(result, IdOk);
    EXPECT_EQ(dialog.currentRow, 2);
}

TEST_F(QtModalRunTest, DialogMessageBoxAsksYesNoWithYesAsDefault) {
    BoxAnswerer answerer;
    int result = RunWith(dialog, backend, [&](QtDialogWindow& window) {
        answerer.AnswerNext([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
        QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(ids::WriteParametersButton)),
                          Qt::LeftButton);
        window.End(IdOk);
    });
    EXPECT_EQ(result, IdOk);
    EXPECT_EQ(dialog.lastAnswer, IdNo);
    EXPECT_EQ(answerer.text.toStdString(), "继续吗？");
    EXPECT_EQ(answerer.caption.toStdString(), "提示");
    EXPECT_EQ(answerer.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answerer.defaultStandard, QMessageBox::Yes);
}

TEST_F(QtModalRunTest, ReturnInAMessageBoxAnswersYesAndEscapeNo) {
    std::vector<int> answers;
    RunWith(dialog, backend, [&](QtDialogWindow& window) {
        BoxAnswerer answerer;
        answerer.AnswerNext([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
        answers.push_back(window.MessageBox("a", "提示", MessageBoxButtons::YesNo));
        answerer.AnswerNext([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        answers.push_back(window.MessageBox("b", "提示", MessageBoxButtons::YesNo));
        answerer.AnswerNext([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        answers.push_back(window.MessageBox("c", "slabcal", MessageBoxButtons::Ok));
        window.End(IdCancel);
    });
    EXPECT_EQ(answers, (std::vector<int>{IdYes, IdNo, IdOk}));
}

TEST_F(QtModalRunTest, ApplicationMessageHasOneOkButtonAndTheProgramName) {
    BoxAnswerer answerer;
    answerer.AnswerNext([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    backend.ShowApplicationMessage("slabcal", "打开 ADC 驱动失败!");
    EXPECT_EQ(answerer.caption.toStdString(), "slabcal");
    EXPECT_EQ(answerer.text.toStdString(), "打开 ADC 驱动失败!");
    EXPECT_EQ(answerer.buttons, QMessageBox::Ok);
    EXPECT_EQ(VisibleMessageBox(), nullptr);
}

TEST_F(QtModalRunTest, EndBeforeTheRunReturnsAtOnce) {
    dialog.Create(backend);
    dialog.EndDialog(IdOk);
    EXPECT_EQ(dialog.Window().RunModal(), IdOk);
    EXPECT_FALSE(QtWindowOf(dialog).Frame().isVisible());
    dialog.DestroyWindow();
}

} // namespace
} // namespace slabcal
