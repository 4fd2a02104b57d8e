#include "framework/qt/QtTestSupport.h"
#include "calibration/CalibrationDialog.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "framework/Application.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>
#include <string>

namespace slabcal {
namespace {

using namespace std::chrono_literals;

// The real dialog on the Qt backend with the simulated gauge: the worker thread fills the signal field
// through the window system while the modal loop runs, a click on "保存" records it, and Esc ends the run
// with the worker stopped.
TEST(CalibrationDialogOnQt, SaveClickRecordsTheLiveSignalInItsRow) {
    TemporaryFolder folder;
    DeviceFileSystem files{folder.Path()};
    SegmentModel model;
    auto gauge = std::make_shared<SimulatedGauge>();
    ASSERT_TRUE(gauge->SetNoise(0));
    ASSERT_TRUE(gauge->SetConversionTime(0us));
    Drivers().Bind(ConverterDeviceName, gauge);
    QtBackend backend;
    Application application("slabcal", backend);
    CalibrationDialog dialog(model, files, "slabcal", {2ms, 2ms});

    std::string shownSignal;
    std::string rowHeight;
    std::string rowSignal;
    std::string nextHeight;
    QTimer::singleShot(0, [&] {
        auto& window = static_cast<QtDialogWindow&>(dialog.Window());
        auto* field = qobject_cast<QLineEdit*>(window.Control(ids::SignalField));
        if (!test::ProcessEventsUntil([&] { return window.Frame().isVisible() && !field->text().isEmpty(); }))
            return;
        QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(ids::SavePointButton)), Qt::LeftButton);
        shownSignal = std::to_string(gauge->CurrentStatus().lastCounts / 1000);
        rowHeight = window.ListGetItemText(ids::PointList, 0, 1);
        rowSignal = window.ListGetItemText(ids::PointList, 0, 2);
        nextHeight = window.GetText(ids::HeightBox);
        test::SaveScreenshot(window.Frame(), "qt-screenshot.png");
        QTest::keyClick(&window.Frame(), Qt::Key_Escape);
    });
    int result = dialog.DoModal(backend);
    Drivers().Unbind(ConverterDeviceName);

    EXPECT_EQ(result, IdCancel);
    EXPECT_EQ(rowHeight, "40");
    EXPECT_EQ(rowSignal, shownSignal);
    EXPECT_NE(rowSignal, "");
    EXPECT_EQ(nextHeight, "50");
    EXPECT_EQ(dialog.CurrentRow(), 1);
}

} // namespace
} // namespace slabcal
