#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "drivers/iio/IioConverter.h"
#include "drivers/simulated/GaugeResponse.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "framework/Application.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"
#include "framework/qt/QtTestSupport.h"
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
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

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

// Fifteen heights recorded through the real window from a Linux IIO converter: a sysfs tree whose raw
// attribute holds what the probe gives at each height (renamed into place, as sysfs never shows half a
// value), the live signal waited for, then "保存" clicked, row by row.
TEST(CalibrationDialogOnQt, FifteenRowsRecordedFromAnIioConverter) {
    TemporaryFolder folder;
    TemporaryFolder sysfs;
    const auto put = [&](const std::string& name, const std::string& text) {
        std::filesystem::create_directories(sysfs / "iio:device0");
        WriteHostFile(sysfs / "next", text);
        std::filesystem::rename(sysfs / "next", sysfs / ("iio:device0/" + name));
    };
    put("name", "probe-adc\n");
    put("in_voltage0_raw", "0\n");
    put("in_voltage_scale", "0.000298\n");
    put("in_voltage_scale_available", "0.000298 0.000596\n");
    Drivers().Bind(ConverterDeviceName,
                   MakeIioConverter({"probe-adc", 0, "0.000298", "0.000596", sysfs.Path(), {}, {}, {}}));
    DeviceFileSystem files{folder.Path()};
    SegmentModel model;
    QtBackend backend;
    Application application("slabcal", backend);
    CalibrationDialog dialog(model, files, "slabcal", {2ms, 2ms});

    std::vector<std::string> expected;
    std::vector<std::string> recorded;
    QTimer::singleShot(0, [&] {
        auto& window = static_cast<QtDialogWindow&>(dialog.Window());
        auto* field = qobject_cast<QLineEdit*>(window.Control(ids::SignalField));
        auto* save = qobject_cast<QPushButton*>(window.Control(ids::SavePointButton));
        for (int row = 0; row < points::RowCount; ++row) {
            const double height = std::stod(std::string(points::Heights[static_cast<std::size_t>(row)]));
            const auto counts = static_cast<std::uint32_t>(
                std::lround(GaugeResponse(height, row <= 6 ? ConverterRange::Small : ConverterRange::Large)));
            put("in_voltage0_raw", std::to_string(counts) + "\n");
            expected.push_back(std::to_string(counts / CountsPerSignalUnit));
            if (!test::ProcessEventsUntil([&] { return field->text().toStdString() == expected.back(); }))
                break;
            QTest::mouseClick(save, Qt::LeftButton);
            recorded.push_back(window.ListGetItemText(ids::PointList, row, points::SignalColumn));
        }
        QTest::keyClick(&window.Frame(), Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.DoModal(backend), IdCancel);
    Drivers().Unbind(ConverterDeviceName);
    EXPECT_EQ(recorded, expected);
    EXPECT_EQ(recorded.size(), 15U);
}

} // namespace
} // namespace slabcal
