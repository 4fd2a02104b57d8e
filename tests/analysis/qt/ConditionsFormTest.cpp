#include "analysis/qt/ConditionsForm.h"
#include "records/CalibrationSettings.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace slabcal {
namespace {

// The form starts from what was kept, keeps a field as it is left, and refuses what the file would not
// take back without touching it.
TEST(ConditionsForm, KeepsWhatTheOperatorEntersAndRefusesWhatCannotBeKept) {
    TemporaryFolder folder;
    const DeviceFileSystem files(folder.Path());
    WriteHostFile(folder / "slabcal-operator.conf", "operator=张三\ntemperature=21.5\n");
    ConditionsForm form(files);
    EXPECT_EQ(form.OperatorField().text(), QString::fromUtf8("张三"));
    EXPECT_EQ(form.TemperatureField().text(), "21.5");
    EXPECT_EQ(form.HumidityField().text(), "");

    form.HumidityField().setText(" 45 ");
    form.Keep();
    EXPECT_EQ(ReadHostFile(folder / "slabcal-operator.conf"),
              "operator=张三\ntemperature=21.5\nhumidity=45\n");
    EXPECT_EQ(ReadCalibrationConditions(files), (CalibrationConditions{"张三", 21.5, 45.0}));

    for (const auto& [temperature, humidity] : {std::pair{"120", "45"}, {"21,5", "45"}, {"21.5", "-1"}}) {
        form.TemperatureField().setText(temperature);
        form.HumidityField().setText(humidity);
        form.Keep();
        EXPECT_TRUE(
            form.Status().text().startsWith(QString::fromUtf8("未保存: 温度 -50 至 100, 湿度 0 至 100")))
            << temperature << ' ' << humidity;
        EXPECT_EQ(ReadHostFile(folder / "slabcal-operator.conf"),
                  "operator=张三\ntemperature=21.5\nhumidity=45\n");
    }
    // Emptied: not stated any more.
    form.TemperatureField().setText("");
    form.HumidityField().setText("");
    form.Keep();
    EXPECT_EQ(ReadCalibrationConditions(files), (CalibrationConditions{"张三", std::nullopt, std::nullopt}));
}

} // namespace
} // namespace slabcal
