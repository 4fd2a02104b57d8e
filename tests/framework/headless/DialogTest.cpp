#include "framework/Dialog.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ApplicationMessageBox.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

namespace slabcal {
namespace {

const DialogTemplate& SmallTemplate() {
    static const DialogTemplate dialog{
        7,
        {0, 0, 100, 50},
        "caption",
        "font",
        9,
        {{StaticControlId, ControlKind::Static, "label", {1, 1, 10, 10}, true, 0},
         {10, ControlKind::ComboBox, "", {1, 1, 10, 10}, true, style::TabStop},
         {11, ControlKind::Button, "go", {1, 1, 10, 10}, true, style::TabStop},
         {12, ControlKind::Button, "hidden", {1, 1, 10, 10}, false, style::TabStop},
         {13, ControlKind::Static, "", {1, 1, 10, 10}, true, 0}}};
    return dialog;
}

class CountingDialog final : public Dialog {
public:
    CountingDialog() : Dialog(SmallTemplate()) {}
    int clicks = 0;
    std::atomic<int32_t> selection = 1;

protected:
    bool OnInitDialog() override {
        Window().ComboAddString(10, "a");
        Window().ComboAddString(10, "b");
        return true;
    }
    void DoDataExchange(DataExchange& exchange) override { exchange.ComboIndex(10, selection); }
    bool OnCommand(int id, Notification notification) override {
        static constexpr std::array<CommandBinding<CountingDialog>, 2> bindings{{
            {11, Notification::Clicked, &CountingDialog::OnGo},
            {10, Notification::SelectionChanged, nullptr},
        }};
        return DispatchCommand<CountingDialog>(bindings, *this, id, notification);
    }

private:
    void OnGo() {
        if (++clicks == 1 && throwOnFirstClick)
            throw std::runtime_error("out of memory");
    }

public:
    bool throwOnFirstClick = false;
};

// A command that throws is reported in one box and the dialog goes on; nothing reaches the event loop.
TEST(DialogBindings, ACommandThatThrowsShowsOneBoxAndTheDialogGoesOn) {
    HeadlessBackend backend;
    CountingDialog dialog;
    dialog.throwOnFirstClick = true;
    auto& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
    window.Click(11);
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{"out of memory"});
    window.Click(11);
    EXPECT_EQ(dialog.clicks, 2);
    EXPECT_EQ(backend.BoxTexts().size(), 1U);
}

TEST(DialogBindings, ClicksReachTheirBoundOperationOnlyWhenEnabledAndVisible) {
    HeadlessBackend backend;
    CountingDialog dialog;
    auto& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
    window.Click(11);
    dialog.EnableItem(11, false);
    window.Click(11);
    window.Click(12);
    EXPECT_EQ(dialog.clicks, 1);
}

TEST(DialogBindings, StandardOkReadsTheSelectionAndCancelEndsTheRun) {
    HeadlessBackend backend;
    CountingDialog dialog;
    auto& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
    window.Select(10, 0);
    window.PressOk();
    EXPECT_EQ(dialog.selection, 0);
    EXPECT_EQ(window.EndResult(), IdOk);
}

TEST(DialogInitialisation, ShowsMembersThenFocusesTheFirstTabStop) {
    HeadlessBackend backend;
    CountingDialog dialog;
    auto& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
    // The exchange ran before the box had items, so nothing is selected, as with the board's framework.
    EXPECT_EQ(window.ComboGetCurSel(10), -1);
    EXPECT_EQ(window.FocusedId(), 10);
    EXPECT_EQ(dialog.GetItemText(11), "go");
}

TEST(HeadlessModalRun, CarriesOutScriptedStepsAndEndsWithCancelWhenTheyRunOut) {
    HeadlessBackend backend;
    CountingDialog dialog;
    backend.AddStep([](HeadlessWindow& window) { window.Click(11); });
    backend.AddStep([](HeadlessWindow& window) { window.Click(11); });
    EXPECT_EQ(dialog.DoModal(backend), IdCancel);
    EXPECT_EQ(dialog.clicks, 2);
    EXPECT_FALSE(dialog.HasWindow());
}

TEST(HeadlessModalRun, StepsAfterTheDialogEndedAreNotCarriedOut) {
    HeadlessBackend backend;
    CountingDialog dialog;
    backend.AddStep([](HeadlessWindow& window) { window.PressOk(); });
    backend.AddStep([](HeadlessWindow& window) { window.Click(11); });
    EXPECT_EQ(dialog.DoModal(backend), IdOk);
    EXPECT_EQ(dialog.clicks, 0);
}

TEST(HeadlessMessageBoxes, AnswersFromTheScriptThenTheDefaultButtonAndRecordsEachBox) {
    HeadlessBackend backend;
    CountingDialog dialog;
    dialog.Create(backend);
    backend.QueueAnswer(IdNo);
    EXPECT_EQ(dialog.MessageBox("q1", "提示", MessageBoxButtons::YesNo), IdNo);
    EXPECT_EQ(dialog.MessageBox("q2", "提示", MessageBoxButtons::YesNo), IdYes);
    EXPECT_EQ(dialog.MessageBox("m", "提示", MessageBoxButtons::Ok), IdOk);
    const std::vector<MessageBoxRecord> expected{{"q1", "提示", MessageBoxButtons::YesNo, IdNo},
                                                 {"q2", "提示", MessageBoxButtons::YesNo, IdYes},
                                                 {"m", "提示", MessageBoxButtons::Ok, IdOk}};
    EXPECT_EQ(backend.Boxes(), expected);
}

TEST(HeadlessMessageBoxes, EchoesEachBoxWhenAsked) {
    HeadlessBackend backend;
    std::ostringstream out;
    backend.EchoBoxesTo(&out);
    backend.ShowApplicationMessage("slabcal", "hello");
    EXPECT_EQ(out.str(), "[slabcal] hello -> OK\n");
}

TEST(ApplicationObject, CaptionIsTheProgramFileNameWithoutExtension) {
    EXPECT_EQ(ProgramNameFromPath("/usr/bin/slabcal"), "slabcal");
    EXPECT_EQ(ProgramNameFromPath("\\Windows\\slabcal.exe"), "slabcal");
    EXPECT_EQ(ProgramNameFromPath("slab.cal.exe"), "slab.cal");

    HeadlessBackend backend;
    {
        Application application("/opt/bin/slabcal.bin", backend);
        ApplicationMessageBox("message");
    }
    ASSERT_EQ(backend.Boxes().size(), 1U);
    EXPECT_EQ(backend.Boxes()[0].caption, "slabcal");
    EXPECT_EQ(backend.Boxes()[0].buttons, MessageBoxButtons::Ok);
}

} // namespace
} // namespace slabcal
