#include "drivers/simulated/qt/SimulatorPanel.h"
#include "framework/qt/QtTestSupport.h"
#include "framework/qt/TestDialog.h"
#include "calibration/PointTable.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "framework/qt/QtBackend.h"
#include "framework/qt/QtDialogWindow.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdint>

namespace slabcal {
namespace {

class SimulatorPanelTest : public testing::Test {
protected:
    template <class Widget> Widget& Find(const char* name) {
        auto* found = panel.findChild<Widget*>(QString::fromLatin1(name));
        if (found == nullptr)
            throw std::runtime_error(std::string("no widget ") + name);
        return *found;
    }
    std::string Shown(const char* label) { return Find<QLabel>(label).text().toStdString(); }
    uint32_t ReadOneRecord() {
        std::array<uint8_t, SampleRecordSize> record{};
        uint32_t returned = 0;
        gauge->IoControl(ReadSampleCode, record.data(), static_cast<uint32_t>(record.size()), &returned);
        return DecodeSampleRecord(record.data());
    }

    std::shared_ptr<SimulatedGauge> gauge = std::make_shared<SimulatedGauge>();
    SimulatorPanel panel{gauge, points::Heights};
};

TEST_F(SimulatorPanelTest, SettingsReachTheGaugeAndItsCountsShow) {
    ASSERT_TRUE(gauge->Open());
    ASSERT_TRUE(gauge->SetConversionTime(std::chrono::microseconds(0)));
    Find<QDoubleSpinBox>("height").setValue(250);
    Find<QDoubleSpinBox>("noise").setValue(0);
    EXPECT_EQ(gauge->CurrentStatus().heightMm, 250);
    EXPECT_EQ(gauge->CurrentStatus().noise, 0);

    uint32_t counts = ReadOneRecord();
    panel.Refresh();
    EXPECT_EQ(Shown("rawCounts"), std::to_string(counts));
    EXPECT_EQ(Shown("signal"), std::to_string(counts / 1000));
    EXPECT_EQ(Shown("driver"), "open");
    EXPECT_EQ(Shown("recordsRead"), "1");

    // A calibration height picked from the list moves the probe there.
    auto& preset = Find<QComboBox>("heightPreset");
    preset.setFocus();
    QTest::keyClick(&preset, Qt::Key_Down);
    EXPECT_EQ(gauge->CurrentStatus().heightMm, preset.itemText(preset.currentIndex()).toDouble());
}

TEST_F(SimulatorPanelTest, FaultsAreArmedAndCountedDown) {
    Find<QSpinBox>("failInit").setValue(2);
    QTest::mouseClick(Find<QSpinBox>("failInit").parentWidget()->findChild<QPushButton*>("arm"),
                      Qt::LeftButton);
    EXPECT_EQ(gauge->CurrentStatus().initFailuresLeft, 2u);
    QTest::mouseClick(&Find<QCheckBox>("absent"), Qt::LeftButton);
    EXPECT_TRUE(gauge->CurrentStatus().absent);
    EXPECT_FALSE(gauge->Open());

    gauge->SetAbsent(false);
    ASSERT_TRUE(gauge->Open());
    EXPECT_EQ(gauge->IoControl(InitialiseCode, nullptr, 0, nullptr), 0);
    panel.Refresh();
    EXPECT_EQ(Shown("initFailuresLeft"), "1");
    // Changes made elsewhere (the control file, code) show in the controls.
    EXPECT_FALSE(Find<QCheckBox>("absent").isChecked());
    gauge->SetHeight(700);
    panel.Refresh();
    EXPECT_EQ(Find<QDoubleSpinBox>("height").value(), 700);

    QTest::mouseClick(panel.findChild<QPushButton*>("clearFaults"), Qt::LeftButton);
    EXPECT_EQ(Shown("initFailuresLeft"), "0");
    EXPECT_EQ(Shown("recordsBeforeReadFailure"), "never");
}

// The panel takes input while the dialog runs modally: clicks reach it through the window system.
TEST_F(SimulatorPanelTest, StaysUsableDuringTheDialogsModalRun) {
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    test::SaveScreenshot(panel, "qt-simulator-panel.png");
    QtBackend backend;
    test::TestDialog dialog;
    bool absentAfterClick = false;
    QTimer::singleShot(0, [&] {
        auto& window = static_cast<QtDialogWindow&>(dialog.Window());
        if (!test::ProcessEventsUntil([&] { return window.Frame().isVisible(); }))
            return;
        auto& box = Find<QCheckBox>("absent");
        QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {},
                          box.mapTo(&panel, QPoint(8, box.height() / 2)));
        absentAfterClick = gauge->CurrentStatus().absent;
        window.End(IdCancel);
    });
    dialog.DoModal(backend);
    EXPECT_TRUE(absentAfterClick);
}

} // namespace
} // namespace slabcal
