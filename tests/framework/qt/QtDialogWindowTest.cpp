#include "framework/qt/QtDialogWindow.h"
#include "QtTestSupport.h"
#include "TestDialog.h"
#include "framework/qt/QtBackend.h"
#include "resources/Icon128.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <map>

namespace slabcal {
namespace {

using test::TestDialog;

class QtDialogWindowTest : public testing::Test {
protected:
    void SetUp() override { dialog.Create(backend); }
    void TearDown() override { dialog.DestroyWindow(); }

    QtDialogWindow& Window() { return static_cast<QtDialogWindow&>(dialog.Window()); }
    template <class Widget> Widget* Get(int id) { return qobject_cast<Widget*>(Window().Control(id)); }
    void ShowActive() {
        Window().Frame().show();
        Window().Frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window().Frame()));
    }
    int FocusedId() {
        QWidget* focused = Window().Frame().focusWidget();
        for (const auto& control : Template102().controls) {
            if (Window().Control(control.id) == focused)
                return control.id;
        }
        return 0;
    }

    QtBackend backend;
    TestDialog dialog;
};

TEST_F(QtDialogWindowTest, ControlsFollowTheTemplate) {
    const auto& controls = Template102().controls;
    auto widgets = Window().Controls();
    ASSERT_EQ(widgets.size(), controls.size());
    const std::map<ControlKind, const char*> widgetClass{{ControlKind::Static, "QLabel"},
                                                         {ControlKind::ComboBox, "QComboBox"},
                                                         {ControlKind::Edit, "QLineEdit"},
                                                         {ControlKind::ListView, "QTreeWidget"},
                                                         {ControlKind::Button, "QPushButton"}};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        SCOPED_TRACE(controls[i].id);
        EXPECT_STREQ(widgets[i]->metaObject()->className(), widgetClass.at(controls[i].kind));
        EXPECT_EQ(widgets[i]->isHidden(), !controls[i].visible);
        if (controls[i].kind == ControlKind::Static || controls[i].kind == ControlKind::Button) {
            EXPECT_EQ(widgets[i]->property("text").toString().toStdString(), controls[i].text);
        }
    }
    EXPECT_FALSE(Get<QComboBox>(ids::HeightBox)->isEditable());
    // Both labels answer to the placeholder id; the first one is found by it.
    EXPECT_EQ(widgets[0], Window().Control(StaticControlId));
    EXPECT_EQ(Window().GetText(StaticControlId), "高度");
}

TEST_F(QtDialogWindowTest, LayoutKeepsTheTemplateProportions) {
    const DialogUnits& units = Window().Units();
    // An 11-point font gives base units in the range dialog layouts were designed for.
    EXPECT_GE(units.BaseX(), 5);
    EXPECT_LE(units.BaseX(), 12);
    EXPECT_GE(units.BaseY(), 12);
    EXPECT_LE(units.BaseY(), 24);

    QSize client = Window().Frame().size();
    EXPECT_NEAR(client.width(), 237.0 * units.BaseX() / 4, 1);
    EXPECT_NEAR(client.height(), 129.0 * units.BaseY() / 8, 1);
    for (const auto& control : Template102().controls) {
        if (control.id == StaticControlId)
            continue;
        SCOPED_TRACE(control.id);
        QRect place = Window().Control(control.id)->geometry();
        EXPECT_NEAR(place.x() / double(client.width()), control.rect.x / 237.0, 1.0 / client.width());
        EXPECT_NEAR(place.y() / double(client.height()), control.rect.y / 129.0, 1.0 / client.height());
        EXPECT_NEAR(place.width() / double(client.width()), control.rect.width / 237.0, 1.0 / client.width());
        if (control.kind != ControlKind::ComboBox) {
            EXPECT_NEAR(place.height() / double(client.height()), control.rect.height / 129.0,
                        1.0 / client.height());
        }
    }
    // Closed, the height box is one line high, not the 108 units of its dropped-down list.
    QRect combo = Window().Control(ids::HeightBox)->geometry();
    EXPECT_GE(combo.height(), QFontMetrics(Window().Frame().font()).height());
    EXPECT_LT(combo.height(), units.ToPixelsY(30));
    EXPECT_GT(Get<QComboBox>(ids::HeightBox)->maxVisibleItems(), 1);
}

TEST_F(QtDialogWindowTest, ChineseTextsHaveGlyphsInTheChosenFont) {
    QFontMetrics metrics(Window().Frame().font());
    EXPECT_EQ(QFontInfo(Window().Frame().font()).pointSize(), 11);
    for (const auto& control : Template102().controls) {
        for (char32_t letter : QString::fromStdString(control.text).toUcs4())
            EXPECT_TRUE(metrics.inFontUcs4(letter)) << control.text;
    }
    for (char32_t letter : QString::fromUtf8("序号信号值楼板厚度仪标定").toUcs4())
        EXPECT_TRUE(metrics.inFontUcs4(letter));
}

TEST_F(QtDialogWindowTest, NoButtonIsDefaultAndReturnClicksNothing) {
    for (int id : {ids::WriteParametersButton, ids::SavePointButton, ids::UpButton, ids::DownButton,
                   ids::ToggleButton}) {
        auto* button = Get<QPushButton>(id);
        EXPECT_FALSE(button->isDefault()) << id;
        EXPECT_FALSE(button->autoDefault()) << id;
    }
    ShowActive();
    Get<QPushButton>(ids::SavePointButton)->setFocus();
    QTest::keyClick(Get<QPushButton>(ids::SavePointButton), Qt::Key_Return);
    QTest::keyClick(Get<QComboBox>(ids::HeightBox), Qt::Key_Return);
    EXPECT_EQ(dialog.saves, 0);
    // Space presses the focused button, as on the board.
    QTest::keyClick(Get<QPushButton>(ids::SavePointButton), Qt::Key_Space);
    EXPECT_EQ(dialog.saves, 1);
}

TEST_F(QtDialogWindowTest, TabWalksTheTemplateOrderAndLeavesTheList) {
    ShowActive();
    // The standard initialisation focused the first control that takes Tab.
    EXPECT_EQ(FocusedId(), ids::HeightBox);
    std::vector<int> visited{FocusedId()};
    for (int step = 0; step < 5; ++step) {
        QTest::keyClick(Window().Frame().focusWidget(), Qt::Key_Tab);
        visited.push_back(FocusedId());
    }
    EXPECT_EQ(visited, (std::vector<int>{ids::HeightBox, ids::SignalField, ids::PointList,
                                         ids::WriteParametersButton, ids::SavePointButton, ids::HeightBox}));
    QTest::keyClick(Window().Frame().focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(FocusedId(), ids::SavePointButton);
}

TEST_F(QtDialogWindowTest, PointListIsAReportWithCentredColumns) {
    auto* list = Get<QTreeWidget>(ids::PointList);
    EXPECT_FALSE(list->isHeaderHidden());
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_FALSE(list->header()->sectionsClickable());
    EXPECT_FALSE(list->rootIsDecorated());
    EXPECT_FALSE(list->tabKeyNavigation());
    ASSERT_EQ(list->columnCount(), 3);
    const char* headers[] = {"序号", "高度", "信号值"};
    const int widths[] = {60, 80, 100};
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(list->headerItem()->text(column).toStdString(), headers[column]);
        EXPECT_EQ(list->columnWidth(column), widths[column]);
        EXPECT_EQ(list->headerItem()->textAlignment(column), Qt::AlignCenter);
        EXPECT_EQ(list->topLevelItem(0)->textAlignment(column), Qt::AlignCenter);
    }
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(Window().ListGetExtendedStyle(ids::PointList), style::ListExFullRowSelect);
    EXPECT_FALSE(list->topLevelItem(0)->flags() & Qt::ItemIsEditable);
}

TEST_F(QtDialogWindowTest, ARealClickReachesTheBinding) {
    ShowActive();
    Get<QLineEdit>(ids::SignalField)->setText("812");
    Window().ComboSetCurSel(ids::HeightBox, 2);
    QTest::mouseClick(Get<QPushButton>(ids::SavePointButton), Qt::LeftButton);
    EXPECT_EQ(dialog.saves, 1);
    EXPECT_EQ(Window().ListGetItemText(ids::PointList, 2, 1), "70");
    EXPECT_EQ(Window().ListGetItemText(ids::PointList, 2, 2), "812");
    EXPECT_EQ(Get<QTreeWidget>(ids::PointList)->topLevelItem(2)->text(2).toStdString(), "812");
    // The row after the last height selects nothing, as a drop-down list does for an index it lacks.
    EXPECT_EQ(dialog.currentRow, 3);
    EXPECT_EQ(Get<QComboBox>(ids::HeightBox)->currentIndex(), -1);

    // A disabled button takes no click.
    Window().Enable(ids::SavePointButton, false);
    EXPECT_FALSE(Window().IsEnabled(ids::SavePointButton));
    QTest::mouseClick(Get<QPushButton>(ids::SavePointButton), Qt::LeftButton);
    EXPECT_EQ(dialog.saves, 1);
}

TEST_F(QtDialogWindowTest, OnlyTheOperatorsChoiceNotifiesTheHeightBox) {
    ShowActive();
    Window().ComboSetCurSel(ids::HeightBox, 1);
    EXPECT_EQ(dialog.selectionChanges, 0);
    Get<QComboBox>(ids::HeightBox)->setFocus();
    QTest::keyClick(Get<QComboBox>(ids::HeightBox), Qt::Key_Down);
    EXPECT_EQ(dialog.selectionChanges, 1);
    EXPECT_EQ(Window().ComboGetCurSel(ids::HeightBox), 2);
    EXPECT_EQ(Window().GetText(ids::HeightBox), "70");
}

TEST_F(QtDialogWindowTest, IconsBecomeTheWindowIcon) {
    EXPECT_TRUE(Window().Frame().windowIcon().isNull());
    Window().SetIcon(IconSize::Large, Icon128());
    Window().SetIcon(IconSize::Small, Icon128());
    EXPECT_FALSE(Window().Frame().windowIcon().isNull());
    EXPECT_FALSE(Window().Frame().windowIcon().pixmap(16, 16).isNull());
}

TEST_F(QtDialogWindowTest, PostedTasksRunOnTheUiThreadAndDieWithTheWindow) {
    int ran = 0;
    Window().Post([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return ran == 1; }));

    Window().Post([&] { ++ran; });
    dialog.DestroyWindow();
    QApplication::processEvents();
    QApplication::sendPostedEvents();
    EXPECT_EQ(ran, 1);
}

} // namespace
} // namespace slabcal
