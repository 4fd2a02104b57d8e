#include "DialogFixture.h"
#include "platform/ConverterContract.h"

#include "fitting/NumberText.h"
#include "storage/ParameterFile.h"
#include "texts/Texts.h"

#include <clocale>

namespace slabcal::test {
namespace {

using CalibrationDialogInit = DialogFixture;
using SavePoint = DialogFixture;

TEST_F(CalibrationDialogInit, FreshDialogShowsFifteenNumberedRowsAndTheFirstHeight) {
    HeadlessWindow& shown = Open();
    ASSERT_EQ(shown.ListRowCount(ids::PointList), 15);
    for (int row = 0; row < 15; ++row) {
        EXPECT_EQ(Cell(row, points::NumberColumn), std::to_string(row + 1));
        EXPECT_EQ(Cell(row, points::HeightColumn), "");
        EXPECT_EQ(Cell(row, points::SignalColumn), "");
    }
    const std::vector<std::string> heights(points::Heights.begin(), points::Heights.end());
    EXPECT_EQ(shown.ComboItems(ids::HeightBox), heights);
    EXPECT_EQ(shown.GetText(ids::HeightBox), "40");
    EXPECT_EQ(shown.GetText(ids::StatusLine), "");
    EXPECT_EQ(dialog->CurrentRow(), 0);
    EXPECT_EQ(shown.FocusedId(), ids::HeightBox);
    EXPECT_EQ(shown.IconId(IconSize::Large), ids::AppIcon);
    EXPECT_EQ(shown.IconId(IconSize::Small), ids::AppIcon);
    EXPECT_NE(shown.ListGetExtendedStyle(ids::PointList) & style::ListExFullRowSelect, 0U);

    const auto columns = shown.ListColumns(ids::PointList);
    ASSERT_EQ(columns.size(), 3U);
    EXPECT_EQ(columns[0].header, "序号");
    EXPECT_EQ(columns[0].width, 60);
    EXPECT_EQ(columns[1].header, "高度");
    EXPECT_EQ(columns[1].width, 80);
    EXPECT_EQ(columns[2].header, "信号值");
    EXPECT_EQ(columns[2].width, 100);
    for (int hidden : {ids::UpButton, ids::DownButton, ids::ToggleButton})
        EXPECT_FALSE(shown.IsVisible(hidden));
}

TEST_F(CalibrationDialogInit, WithoutDriverTheOpenFailureIsReportedAndTheFieldStaysEmpty) {
    Drivers().Unbind(ConverterDeviceName);
    HeadlessWindow& shown = Open();
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{std::string(texts::OpenDriverFailed)});
    ASSERT_TRUE(shown.PumpUntil([&] { return !dialog->Worker().IsRunning(); }, std::chrono::seconds(5)));
    EXPECT_EQ(shown.GetText(ids::SignalField), "");
    EXPECT_EQ(dialog->Worker().AutoSampling(), 1);
}

// Button 1008 stays hidden, but its command still switches modes; the dialog, not the worker, shows it.
TEST_F(CalibrationDialogInit, TheToggleCommandShowsTheModeItSwitchedTo) {
    HeadlessWindow& shown = Open();
    shown.SetText(ids::StatusLine, "before");
    dialog->HandleCommand(ids::ToggleButton, Notification::Clicked);
    EXPECT_EQ(shown.GetText(ids::ToggleButton), texts::AutomaticCaption);
    EXPECT_EQ(shown.GetText(ids::SignalField), "0");
    EXPECT_EQ(shown.GetText(ids::StatusLine), "");
    EXPECT_EQ(dialog->Worker().AutoSampling(), 0);

    shown.SetText(ids::StatusLine, "before");
    dialog->HandleCommand(ids::ToggleButton, Notification::Clicked);
    EXPECT_EQ(shown.GetText(ids::ToggleButton), texts::ManualCaption);
    EXPECT_EQ(shown.GetText(ids::StatusLine), "");
    EXPECT_EQ(dialog->Worker().AutoSampling(), 1);
}

TEST_F(SavePoint, FifteenSavesFillTheRowsInOrderAndMoveTheSelectionOn) {
    HeadlessWindow& shown = Open();
    for (int row = 0; row < 15; ++row) {
        EXPECT_EQ(shown.ComboGetCurSel(ids::HeightBox), row);
        shown.Type(ids::SignalField, std::to_string(1000 + row));
        shown.Click(ids::SavePointButton);
        EXPECT_EQ(Cell(row, points::HeightColumn), points::Heights[static_cast<std::size_t>(row)]);
        EXPECT_EQ(Cell(row, points::SignalColumn), std::to_string(1000 + row));
        EXPECT_EQ(shown.FocusedId(), ids::SignalField);
        EXPECT_TRUE(shown.IsEnabled(ids::SavePointButton));
    }
    EXPECT_EQ(dialog->CurrentRow(), 15);
}

TEST_F(SavePoint, AfterTheLastRowTheBoxShowsNoHeightAndTheNextSaveStartsOverAtForty) {
    HeadlessWindow& shown = Open();
    SaveAll(std::vector<std::string>(15, "500"));
    EXPECT_EQ(shown.ComboGetCurSel(ids::HeightBox), -1);
    EXPECT_EQ(shown.GetText(ids::HeightBox), "");

    shown.Type(ids::SignalField, "777");
    shown.Click(ids::SavePointButton);
    for (int row = 0; row < 15; ++row)
        EXPECT_EQ(Cell(row, points::SignalColumn), "500") << "row " << row;
    EXPECT_EQ(dialog->CurrentRow(), 0);
    EXPECT_EQ(shown.GetText(ids::HeightBox), "40");
}

TEST_F(SavePoint, BoundaryRowsCaptureTheirSignalAndOtherRowsLeaveTheBoundariesAlone) {
    Open();
    const SegmentModel defaults;
    for (int row : {0, 1, 3, 5, 6, 7, 8, 9, 11, 13, 14})
        SaveRow(row, "123");
    EXPECT_EQ(model.ConsRange, defaults.ConsRange);

    SaveRow(2, "4001");
    SaveRow(4, "801");
    SaveRow(10, " 1201xyz");
    SaveRow(12, "abc");
    EXPECT_EQ(model.ConsRange, (std::array<double, 4>{4001, 801, 1201, 0}));

    SaveRow(2, "4002"); // the last save wins
    EXPECT_EQ(model.ConsRange[0], 4002);
}

TEST_F(SavePoint, FractionalBoundarySignalIsStoredInSinglePrecision) {
    Open();
    SaveRow(4, "1234.567");
    EXPECT_EQ(model.ConsRange[1], 1234.5670166015625);
    EXPECT_EQ(Cell(4, points::SignalColumn), "1234.567");
}

// Qt sets the process's locale from the environment; typed numbers must still read with a '.'.
TEST_F(SavePoint, TypedNumbersReadTheSameUnderADecimalCommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no de_DE.UTF-8 locale: localedef -i de_DE -f UTF-8 de_DE.UTF-8";
    Open();
    SaveRow(2, "4140.567");
    const double boundary = model.ConsRange[0];
    const double huge = ReadDecimalPrefix("1.5e39");
    const float stored = ParameterFile::ReadValue("4140.5669");
    std::setlocale(LC_ALL, previous.c_str());

    EXPECT_EQ(boundary, static_cast<double>(4140.567F));
    EXPECT_EQ(huge, 1.5e39) << "so that the write command refuses it";
    EXPECT_EQ(stored, 4140.5669F);
}

TEST_F(SavePoint, SavingClearsTheStatusLine) {
    HeadlessWindow& shown = Open();
    shown.SetText(ids::StatusLine, std::string(texts::WriteFinished));
    SaveRow(0, "1");
    EXPECT_EQ(shown.GetText(ids::StatusLine), "");
}

TEST_F(SavePoint, TheStandardOkCommandReadsTheSelectionBeforeEnding) {
    HeadlessWindow& shown = Open();
    shown.Select(ids::HeightBox, 9);
    EXPECT_EQ(dialog->CurrentRow(), 0); // choosing by hand changes nothing yet
    shown.PressOk();
    EXPECT_EQ(dialog->CurrentRow(), 9);
    EXPECT_EQ(shown.EndResult(), IdOk);
}

} // namespace
} // namespace slabcal::test
