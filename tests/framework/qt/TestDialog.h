#pragma once

#include "framework/CommandBinding.h"
#include "framework/Dialog.h"
#include "resources/ControlIds.h"
#include "resources/Template102.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace slabcal::test {

// A small dialog on template 102 with a binding table: 1004 copies the chosen height and the signal field
// into the height's row and moves on, 1003 asks a Yes/No question, the height box counts the operator's
// choices. Enough to see notifications reach a binding through real widgets.
class TestDialog : public Dialog {
public:
    TestDialog() : Dialog(Template102()) {}

    std::atomic<int32_t> currentRow{0};
    int saves = 0;
    int selectionChanges = 0;
    int lastAnswer = 0;
    bool refuseCancel = false;

protected:
    bool OnInitDialog() override {
        for (const char* height : {"40", "50", "70"})
            Window().ComboAddString(ids::HeightBox, height);
        Window().ComboSetCurSel(ids::HeightBox, 0);
        Window().ListSetExtendedStyle(ids::PointList, Window().ListGetExtendedStyle(ids::PointList) |
                                                          style::ListExFullRowSelect);
        Window().ListInsertColumn(ids::PointList, 0, "序号", 60);
        Window().ListInsertColumn(ids::PointList, 1, "高度", 80);
        Window().ListInsertColumn(ids::PointList, 2, "信号值", 100);
        for (int row = 0; row < 3; ++row)
            Window().ListInsertItem(ids::PointList, row, std::to_string(row + 1));
        return true;
    }

    void DoDataExchange(DataExchange& exchange) override { exchange.ComboIndex(ids::HeightBox, currentRow); }

    bool OnCommand(int id, Notification notification) override {
        return DispatchCommand<TestDialog>(Bindings(), *this, id, notification);
    }

    void OnCancel() override {
        if (!refuseCancel)
            Dialog::OnCancel();
    }

private:
    void OnSave() {
        ++saves;
        UpdateData(true);
        Window().ListSetItemText(ids::PointList, currentRow, 1, GetItemText(ids::HeightBox));
        Window().ListSetItemText(ids::PointList, currentRow, 2, GetItemText(ids::SignalField));
        ++currentRow;
        UpdateData(false);
    }
    void OnAsk() { lastAnswer = MessageBox("继续吗？", "提示", MessageBoxButtons::YesNo); }
    void OnHeightChosen() { ++selectionChanges; }

    static std::span<const CommandBinding<TestDialog>> Bindings() {
        static constexpr std::array<CommandBinding<TestDialog>, 3> table{{
            {ids::SavePointButton, Notification::Clicked, &TestDialog::OnSave},
            {ids::WriteParametersButton, Notification::Clicked, &TestDialog::OnAsk},
            {ids::HeightBox, Notification::SelectionChanged, &TestDialog::OnHeightChosen},
        }};
        return table;
    }
};

} // namespace slabcal::test
