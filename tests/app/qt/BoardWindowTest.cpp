// The program's one window on a board's screen (no window manager): everything inside the screen, nothing
// overlapping, the dialog's controls and the curve's findings in view, every action a touch control.
#include "app/qt/BoardWindow.h"

#include "analysis/qt/CurveWindow.h"
#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "drivers/simulated/qt/SimulatorPanel.h"
#include "framework/Application.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"
#include "framework/qt/QtTestSupport.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"
#include "worksheet/CalibrationWorksheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace slabcal {
namespace {

using namespace std::chrono_literals;

// Whole, unclipped and on the screen.
::testing::AssertionResult InView(const QWidget* widget, const QRect& screen, const char* what) {
    if (widget == nullptr || !widget->isVisible())
        return ::testing::AssertionFailure() << what << " is not shown";
    if (widget->visibleRegion().boundingRect() != widget->rect())
        return ::testing::AssertionFailure() << what << " is partly covered or cut off";
    const QRect onScreen(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    if (!screen.contains(onScreen))
        return ::testing::AssertionFailure() << what << " lies outside the screen";
    return ::testing::AssertionSuccess();
}

TEST(BoardWindow, FillsTheBoardsScreenWithEverythingInViewAndWorksByTouch) {
    const struct {
        QSize screen;
        bool simulator;
        bool sideBySide;
    } cases[] = {
        {{1024, 600}, true, true},
        {{1024, 600}, false, true},
        {{800, 480}, true, false},
        {{800, 480}, false, false},
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.screen.width()) + "x" + std::to_string(c.screen.height()) +
                                 (c.simulator ? "-sim" : "");
        SCOPED_TRACE(name);
        TemporaryFolder folder;
        DeviceFileSystem files{folder.Path()};
        SegmentModel model;
        auto worksheet = std::make_shared<CalibrationWorksheet>(model, files);
        // A table recorded with row 9 off by 10 %: a finding to show.
        WorksheetState state;
        const CalibrationPoints points = test::ModelPoints();
        for (int row = 0; row < CalibrationRowCount; ++row)
            state.rows[static_cast<std::size_t>(row)] = {points[static_cast<std::size_t>(row)],
                                                         segments::RangeOfRow(row), std::nullopt};
        state.rows[8].point.signal = std::to_string(std::lround(std::stod(points[8].signal) * 0.9));
        state.currentRow = CalibrationRowCount;
        worksheet->Replace(state);
        auto gauge = std::make_shared<SimulatedGauge>();
        ASSERT_TRUE(gauge->SetConversionTime(0us));
        Drivers().Bind(ConverterDeviceName, gauge);
        QtBackend backend;
        Application application("slabcal", backend);
        CurveWindow curve(
            *worksheet, [] { return std::optional<SegmentModel>(); },
            [](const std::stop_token&) { return std::vector<ListedRecord>(); });
        std::unique_ptr<QWidget> panel;
        if (c.simulator)
            panel = std::make_unique<SimulatorPanel>(gauge, points::Heights);
        const QRect screen({0, 0}, c.screen);
        BoardWindow board(*worksheet, curve, std::move(panel), screen);
        backend.HostDialogsIn([&board](QtDialogWindow& dialog) { board.Host(dialog); });
        board.show();
        CalibrationDialog dialog(worksheet, "slabcal", {2ms, 2ms});

        bool checked = false;
        QTimer::singleShot(0, [&] {
            auto& window = static_cast<QtDialogWindow&>(dialog.Window());
            if (!test::ProcessEventsUntil([&] { return window.Frame().isVisible(); }))
                return;
            EXPECT_EQ(board.SideBySide(), c.sideBySide);
            // The only window, filling the screen.
            std::vector<QWidget*> shown;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->isVisible())
                    shown.push_back(widget);
            EXPECT_EQ(shown, std::vector<QWidget*>{&board});
            EXPECT_EQ(board.frameGeometry(), screen);
            EXPECT_TRUE(InView(window.Control(ids::SavePointButton), screen, "保存"));
            EXPECT_TRUE(InView(window.Control(ids::WriteParametersButton), screen, "参数写入文件"));
            EXPECT_TRUE(InView(window.Control(ids::PointList), screen, "the table"));
            EXPECT_TRUE(InView(window.Control(ids::StatusLine), screen, "the status line"));
            EXPECT_EQ(window.Frame().size(), window.Frame().minimumSize()) << "the dialog keeps its size";
            if (c.sideBySide) {
                EXPECT_TRUE(InView(&curve.Findings(), screen, "the findings"));
            }
            QCoreApplication::processEvents();
            test::SaveScreenshot(board, ("board-" + name + ".png").c_str());

            // Every action by touch: at least about 9 mm high, the tabs too.
            EXPECT_GE(board.TouchHeight(), 34);
            for (const QPushButton* button : {&board.CloseButton(), &board.CurveButton()}) {
                EXPECT_GE(button->height(), board.TouchHeight()) << button->text().toStdString();
            }
            if (board.Tabs() != nullptr) {
                EXPECT_GE(board.Tabs()->tabBar()->height(), board.TouchHeight());
            }
            // The curve button and F9 show and hide the curve; on tabs the findings come into view whole.
            const bool shownBefore = board.CurveButton().isChecked();
            QTest::mouseClick(&board.CurveButton(), Qt::LeftButton);
            EXPECT_NE(board.CurveButton().isChecked(), shownBefore);
            if (!c.sideBySide) {
                EXPECT_TRUE(InView(&curve.Findings(), screen, "the findings"));
                EXPECT_TRUE(InView(&curve.PointTable(), screen, "逐点"));
                QCoreApplication::processEvents();
                test::SaveScreenshot(board, ("board-" + name + "-curve.png").c_str());
            }
            QTest::keyClick(window.Control(ids::HeightBox), Qt::Key_F9);
            EXPECT_EQ(board.CurveButton().isChecked(), shownBefore);
            checked = true;
            // Close by touch ends the run as Esc does.
            QTest::mouseClick(&board.CloseButton(), Qt::LeftButton);
        });
        const int result = dialog.DoModal(backend);
        Drivers().Unbind(ConverterDeviceName);
        EXPECT_TRUE(checked);
        EXPECT_EQ(result, IdCancel);
    }
}

TEST(BoardWindow, OnlyPlatformsWithoutAWindowManagerGetOneWindow) {
    for (const char* platform : {"linuxfb", "eglfs", "vnc", "offscreen"})
        EXPECT_TRUE(PlatformWithoutWindowManager(QString::fromLatin1(platform))) << platform;
    for (const char* platform : {"xcb", "wayland"})
        EXPECT_FALSE(PlatformWithoutWindowManager(QString::fromLatin1(platform))) << platform;
}

} // namespace
} // namespace slabcal
