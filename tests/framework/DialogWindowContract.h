#pragma once

// The dialog window contract (DialogWindow.h) as one suite of cases that every backend runs: the in-memory
// window in framework_tests, the Qt window in qt_backend_tests. A backend joins with a driver class that
// offers
//   Get()                     the DialogBackend& the dialog is created on
//   Show(window)              puts the new window on screen, if there is one
//   Click(window, id)         the operator clicks control `id`
//   ChooseNext(window, id)    the operator presses the down arrow in combo box `id`
//   Type(window, id, text)    the operator replaces the text of control `id` by typing
//   FocusedId(window)         the control with the focus; 0 for none
//   OpenBoxes(window)         how many boxes from OpenMessageBox are open
//   Answer(window, answer)    the operator answers the open box
//   ServeUntil(window, done)  the UI thread serves other threads until `done` holds; false if it never does
// and INSTANTIATE_TYPED_TEST_SUITE_P(Name, DialogWindowContract, Driver).

#include "framework/CommandBinding.h"
#include "framework/Dialog.h"
#include "framework/DialogTemplate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace slabcal::contract {

// A dialog with a control of every kind, two labels sharing the placeholder id and a hidden button.
inline constexpr int HeightBox = 10;
inline constexpr int Field = 11;
inline constexpr int List = 12;
inline constexpr int SaveButton = 13;
inline constexpr int StatusLine = 14;
inline constexpr int HiddenButton = 15;

inline const DialogTemplate& ContractTemplate() {
    using enum ControlKind;
    static const DialogTemplate shown{
        1,
        {0, 0, 200, 120},
        "contract",
        "宋体",
        11,
        {{StaticControlId, Static, "高度", {4, 4, 20, 10}, true, 0},
         {StaticControlId, Static, "信号", {100, 4, 20, 10}, true, 0},
         {HeightBox, ComboBox, "", {26, 2, 40, 60}, true, style::ComboDropDownList | style::TabStop},
         {Field, Edit, "", {122, 2, 36, 14}, true, style::Border | style::TabStop},
         {List,
          ListView,
          "",
          {4, 20, 190, 70},
          true,
          style::ListReport | style::ListNoSortHeader | style::Border | style::TabStop},
         {SaveButton, Button, "保存", {160, 2, 34, 14}, true, style::TabStop},
         {StatusLine, Static, "", {4, 100, 120, 10}, true, 0},
         {HiddenButton, Button, "隐藏", {130, 96, 30, 14}, false, style::TabStop}}};
    return shown;
}

struct Notice {
    int id = 0;
    Notification notification = Notification::Clicked;
    friend bool operator==(const Notice&, const Notice&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Notice& notice) {
        return out << notice.id << (notice.notification == Notification::Clicked ? " clicked" : " chosen");
    }
};

// Keeps every notification the window sends, in order.
class ContractDialog final : public Dialog {
public:
    ContractDialog() : Dialog(ContractTemplate()) {}
    std::vector<Notice> notices;

protected:
    bool OnCommand(int id, Notification notification) override {
        notices.push_back({id, notification});
        return true;
    }
};

template <class Driver> class DialogWindowContract : public testing::Test {
protected:
    void SetUp() override {
        dialog.Create(backendDriver.Get());
        backendDriver.Show(dialog.Window());
    }
    void TearDown() override { dialog.DestroyWindow(); }
    DialogWindow& Window() { return dialog.Window(); }

    Driver backendDriver;
    ContractDialog dialog;
};

TYPED_TEST_SUITE_P(DialogWindowContract);

enum class Refusal { None, UnknownId, OtherKind };

inline Refusal RefusalOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::out_of_range&) {
        return Refusal::UnknownId;
    } catch (const std::invalid_argument&) {
        return Refusal::OtherKind;
    }
    return Refusal::None;
}

TYPED_TEST_P(DialogWindowContract, UnknownIdsAndOperationsOfAnotherKindAreRefused) {
    DialogWindow& w = this->Window();
    const struct {
        const char* what;
        std::function<void()> operation;
        Refusal expected;
    } cases[] = {
        {"text of an unknown id", [&] { (void)w.GetText(4242); }, Refusal::UnknownId},
        {"enabling an unknown id", [&] { w.Enable(4242, false); }, Refusal::UnknownId},
        {"focus on an unknown id", [&] { w.SetFocus(4242); }, Refusal::UnknownId},
        {"list row in an unknown id", [&] { w.ListInsertItem(4242, 0, "1"); }, Refusal::UnknownId},
        {"item added to an edit", [&] { w.ComboAddString(Field, "x"); }, Refusal::OtherKind},
        {"selection set on a button", [&] { w.ComboSetCurSel(SaveButton, 0); }, Refusal::OtherKind},
        {"selection read from a list view", [&] { (void)w.ComboGetCurSel(List); }, Refusal::OtherKind},
        {"column inserted into a combo box", [&] { w.ListInsertColumn(HeightBox, 0, "h", 10); },
         Refusal::OtherKind},
        {"row inserted into a label", [&] { w.ListInsertItem(StaticControlId, 0, "r"); }, Refusal::OtherKind},
        {"cell set in an edit", [&] { w.ListSetItemText(Field, 0, 0, "x"); }, Refusal::OtherKind},
        {"cell read from a button", [&] { (void)w.ListGetItemText(SaveButton, 0, 0); }, Refusal::OtherKind},
        {"list style set on a combo box",
         [&] { w.ListSetExtendedStyle(HeightBox, style::ListExFullRowSelect); }, Refusal::OtherKind},
        {"list style read from an edit", [&] { (void)w.ListGetExtendedStyle(Field); }, Refusal::OtherKind},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.what);
        EXPECT_EQ(RefusalOf(refused.operation), refused.expected);
    }
    // Nothing refused left a trace: no item, no row, no text.
    EXPECT_EQ(w.ComboAddString(HeightBox, "40"), 0);
    EXPECT_EQ(w.ListInsertItem(List, 5, "1"), 0);
    EXPECT_EQ(w.GetText(Field), "");
    EXPECT_EQ(w.GetText(SaveButton), "保存");
    EXPECT_EQ(w.GetText(StaticControlId), "高度");
}

TYPED_TEST_P(DialogWindowContract, TextsFollowTheControlKind) {
    DialogWindow& w = this->Window();
    w.ComboAddString(HeightBox, "40");
    w.ComboSetCurSel(HeightBox, 0);
    const struct {
        int id;
        std::string_view set;
        std::string_view read;
    } cases[] = {
        {StaticControlId, "深度", "深度"}, // the first of the labels sharing the id
        {Field, "4711", "4711"},
        {SaveButton, "自动", "自动"},
        {StatusLine, "文件写入完毕", "文件写入完毕"},
        {HeightBox, "50", "40"}, // a drop-down list shows its selected item only
        {List, "x", ""},         // a list view has no text of its own
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text.id);
        w.SetText(text.id, text.set);
        EXPECT_EQ(w.GetText(text.id), text.read);
    }
    EXPECT_TRUE(this->dialog.notices.empty());
}

TYPED_TEST_P(DialogWindowContract, ComboBoxSelectsOnlyWhatItIsTold) {
    DialogWindow& w = this->Window();
    const auto add = [&](std::string_view text) {
        return [&w, text] { return w.ComboAddString(HeightBox, text); };
    };
    const auto select = [&](int index) { return [&w, index] { return w.ComboSetCurSel(HeightBox, index); }; };
    const struct {
        const char* what;
        std::function<int()> operation;
        int returned;
        int selected;
        std::string_view text;
    } steps[] = {
        {"first item into the empty box", add("40"), 0, -1, ""},
        {"second item", add("50"), 1, -1, ""},
        {"index past the end", select(5), -1, -1, ""},
        {"second item selected", select(1), 1, 1, "50"},
        {"item added while one is selected", add("70"), 2, 1, "50"},
        {"index -1", select(-1), -1, -1, ""},
        {"negative index", select(-7), -1, -1, ""},
        {"last item selected", select(2), 2, 2, "70"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.operation(), step.returned);
        EXPECT_EQ(w.ComboGetCurSel(HeightBox), step.selected);
        EXPECT_EQ(w.GetText(HeightBox), step.text);
    }
    EXPECT_TRUE(this->dialog.notices.empty()); // only the operator's choice notifies
}

TYPED_TEST_P(DialogWindowContract, ListCellsLieInsideItsRowsAndColumns) {
    DialogWindow& w = this->Window();
    w.ListSetExtendedStyle(List, w.ListGetExtendedStyle(List) | style::ListExFullRowSelect);
    EXPECT_EQ(w.ListGetExtendedStyle(List), style::ListExFullRowSelect);
    const auto number = [](int value) { return std::to_string(value); };
    const struct {
        const char* what;
        std::function<std::string()> operation;
        std::string expected;
    } steps[] = {
        {"row into a list without columns", [&] { return number(w.ListInsertItem(List, 0, "1")); }, "0"},
        {"its own text", [&] { return w.ListGetItemText(List, 0, 0); }, "1"},
        {"sub-item without a column", [&] { return number(w.ListSetItemText(List, 0, 1, "x")); }, "0"},
        {"first column", [&] { return number(w.ListInsertColumn(List, 0, "序号", 60)); }, "0"},
        {"column past the end", [&] { return number(w.ListInsertColumn(List, 9, "高度", 80)); }, "1"},
        {"third column", [&] { return number(w.ListInsertColumn(List, 2, "信号值", 100)); }, "2"},
        {"row past the end", [&] { return number(w.ListInsertItem(List, 99, "2")); }, "1"},
        {"row before the start", [&] { return number(w.ListInsertItem(List, -5, "0")); }, "0"},
        {"cell set", [&] { return number(w.ListSetItemText(List, 1, 2, "9")); }, "1"},
        {"cell read", [&] { return w.ListGetItemText(List, 1, 2) + "|" + w.ListGetItemText(List, 1, 1); },
         "9|"},
        {"row outside", [&] { return number(w.ListSetItemText(List, 3, 1, "x")); }, "0"},
        {"negative row", [&] { return number(w.ListSetItemText(List, -1, 1, "x")); }, "0"},
        {"negative sub-item", [&] { return number(w.ListSetItemText(List, 0, -1, "x")); }, "0"},
        {"sub-item past the columns", [&] { return number(w.ListSetItemText(List, 0, 3, "x")); }, "0"},
        {"largest sub-item", [&] { return number(w.ListSetItemText(List, 0, INT_MAX, "x")); }, "0"},
        {"cells outside read",
         [&] { return w.ListGetItemText(List, 7, 0) + "|" + w.ListGetItemText(List, 0, INT_MAX); }, "|"},
        {"column inserted in front", [&] { return number(w.ListInsertColumn(List, 0, "新", 10)); }, "0"},
        {"cells keep their sub-item",
         [&] { return w.ListGetItemText(List, 2, 0) + w.ListGetItemText(List, 1, 2); }, "29"},
        {"the new column's cell", [&] { return number(w.ListSetItemText(List, 0, 3, "x")); }, "1"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.operation(), step.expected);
    }
}

TYPED_TEST_P(DialogWindowContract, FocusGoesOnlyToEnabledVisibleControls) {
    DialogWindow& w = this->Window();
    auto& driver = this->backendDriver;
    // Creating the dialog focused its first tab stop.
    EXPECT_EQ(driver.FocusedId(w), HeightBox);
    const struct {
        const char* what;
        std::function<void()> operation;
        int focused;
    } steps[] = {
        {"a button", [&] { w.SetFocus(SaveButton); }, SaveButton},
        {"a disabled edit",
         [&] {
             w.Enable(Field, false);
             w.SetFocus(Field);
         },
         SaveButton},
        {"a hidden button", [&] { w.SetFocus(HiddenButton); }, SaveButton},
        {"the focused button disabled", [&] { w.Enable(SaveButton, false); }, HeightBox},
        {"the focused box disabled", [&] { w.Enable(HeightBox, false); }, List},
        {"the last tab stop disabled", [&] { w.Enable(List, false); }, 0},
        {"a control enabled again",
         [&] {
             w.Enable(SaveButton, true);
             w.SetFocus(SaveButton);
         },
         SaveButton},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.operation();
        EXPECT_EQ(driver.FocusedId(w), step.focused);
    }
    EXPECT_FALSE(w.IsEnabled(Field));
    EXPECT_TRUE(w.IsEnabled(SaveButton));
}

TYPED_TEST_P(DialogWindowContract, OperatorInputReachesOnlyEnabledControlsOfItsKind) {
    DialogWindow& w = this->Window();
    auto& driver = this->backendDriver;
    for (const char* height : {"40", "50", "70"})
        w.ComboAddString(HeightBox, height);
    using Act = std::function<void()>;
    const struct {
        const char* what;
        int disabled; // 0: none
        Act act;
        std::vector<Notice> notices;
        int selected;
        std::string_view field;
    } cases[] = {
        {"click on a button",
         0,
         [&] { driver.Click(w, SaveButton); },
         {{SaveButton, Notification::Clicked}},
         0,
         "12"},
        {"click on a disabled button", SaveButton, [&] { driver.Click(w, SaveButton); }, {}, 0, "12"},
        {"click on a label", 0, [&] { driver.Click(w, StatusLine); }, {}, 0, "12"},
        {"click on an edit", 0, [&] { driver.Click(w, Field); }, {}, 0, "12"},
        {"next height",
         0,
         [&] { driver.ChooseNext(w, HeightBox); },
         {{HeightBox, Notification::SelectionChanged}},
         1,
         "12"},
        {"next height in a disabled box", HeightBox, [&] { driver.ChooseNext(w, HeightBox); }, {}, 0, "12"},
        {"past the last height",
         0,
         [&] {
             w.ComboSetCurSel(HeightBox, 2);
             driver.ChooseNext(w, HeightBox);
         },
         {},
         2,
         "12"},
        {"typing into the edit", 0, [&] { driver.Type(w, Field, "812"); }, {}, 0, "812"},
        {"typing into a disabled edit", Field, [&] { driver.Type(w, Field, "812"); }, {}, 0, "12"},
        {"typing on a button", 0, [&] { driver.Type(w, SaveButton, "812"); }, {}, 0, "12"},
    };
    for (const auto& input : cases) {
        SCOPED_TRACE(input.what);
        for (int id : {HeightBox, Field, SaveButton})
            w.Enable(id, id != input.disabled);
        w.ComboSetCurSel(HeightBox, 0);
        w.SetText(Field, "12");
        this->dialog.notices.clear();
        input.act();
        EXPECT_EQ(this->dialog.notices, input.notices);
        EXPECT_EQ(w.ComboGetCurSel(HeightBox), input.selected);
        EXPECT_EQ(w.GetText(Field), input.field);
    }
    EXPECT_EQ(w.GetText(SaveButton), "保存");
}

TYPED_TEST_P(DialogWindowContract, AnOpenBoxWaitsForTheOperatorOrIsClosedUnanswered) {
    DialogWindow& w = this->Window();
    auto& driver = this->backendDriver;
    const struct {
        const char* what;
        MessageBoxButtons buttons;
        std::optional<int> answer; // none: the program closes the box
        std::vector<int> answers;
    } cases[] = {
        {"OK box answered", MessageBoxButtons::Ok, IdOk, {IdOk}},
        {"Yes/No box answered No", MessageBoxButtons::YesNo, IdNo, {IdNo}},
        {"Yes/No box answered Yes", MessageBoxButtons::YesNo, IdYes, {IdYes}},
        {"box closed unanswered", MessageBoxButtons::YesNo, std::nullopt, {}},
    };
    for (const auto& box : cases) {
        SCOPED_TRACE(box.what);
        std::vector<int> answers;
        auto close = w.OpenMessageBox("量程转化错误", "slabcal", box.buttons,
                                      [&](int answer) { answers.push_back(answer); });
        EXPECT_TRUE(answers.empty());
        EXPECT_EQ(driver.OpenBoxes(w), 1);
        // The box blocks nothing: the dialog takes a click meanwhile.
        this->dialog.notices.clear();
        driver.Click(w, SaveButton);
        EXPECT_EQ(this->dialog.notices.size(), 1U);
        if (box.answer)
            driver.Answer(w, *box.answer);
        else
            close();
        EXPECT_TRUE(driver.ServeUntil(w, [&] { return driver.OpenBoxes(w) == 0; }));
        // After an answer or a close, closing again does nothing.
        close();
        EXPECT_TRUE(driver.ServeUntil(w, [] { return true; }));
        EXPECT_EQ(answers, box.answers);
    }
}

// A worker waits on its box through the bridge. Answered, it gets the answer; told to stop while the box is
// open, it returns at once without one, and the box closes.
TYPED_TEST_P(DialogWindowContract, AWorkerStoppedWhileItsBoxIsOpenGetsNoAnswerAndTheBoxCloses) {
    DialogWindow& w = this->Window();
    auto& driver = this->backendDriver;
    const struct {
        const char* what;
        std::optional<int> answer; // none: the worker is told to stop
    } cases[] = {{"answered", IdOk}, {"stopped", std::nullopt}};
    for (const auto& ending : cases) {
        SCOPED_TRACE(ending.what);
        std::optional<int> got = -1; // written by the worker before `done`
        std::atomic<bool> done = false;
        std::jthread worker([&, bridge = this->dialog.Bridge()](std::stop_token stop) {
            got = bridge->ShowMessageBox("量程转化错误", "slabcal", MessageBoxButtons::Ok, std::move(stop));
            done = true;
        });
        ASSERT_TRUE(driver.ServeUntil(w, [&] { return driver.OpenBoxes(w) == 1; }));
        if (ending.answer) {
            driver.Answer(w, *ending.answer);
            ASSERT_TRUE(driver.ServeUntil(w, [&] { return done.load(); }));
        } else {
            worker.request_stop();
        }
        worker.join(); // the worker never needs the UI thread to return
        EXPECT_EQ(got, ending.answer);
        EXPECT_TRUE(driver.ServeUntil(w, [&] { return driver.OpenBoxes(w) == 0; }));
    }
}

REGISTER_TYPED_TEST_SUITE_P(DialogWindowContract, UnknownIdsAndOperationsOfAnotherKindAreRefused,
                            TextsFollowTheControlKind, ComboBoxSelectsOnlyWhatItIsTold,
                            ListCellsLieInsideItsRowsAndColumns, FocusGoesOnlyToEnabledVisibleControls,
                            OperatorInputReachesOnlyEnabledControlsOfItsKind,
                            AnOpenBoxWaitsForTheOperatorOrIsClosedUnanswered,
                            AWorkerStoppedWhileItsBoxIsOpenGetsNoAnswerAndTheBoxCloses);

} // namespace slabcal::contract
