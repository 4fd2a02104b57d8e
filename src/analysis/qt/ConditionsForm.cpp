#include "analysis/qt/ConditionsForm.h"

#include "framework/qt/Utf8.h"
#include "platform/ClassicNumbers.h"
#include "records/CalibrationSettings.h"
#include "texts/CurveTexts.h"

#include <QFormLayout>

#include <optional>

namespace slabcal {
namespace {

QString NumberText(const std::optional<double>& value) {
    return value ? FromUtf8(ShortestDecimal(*value)) : QString();
}

} // namespace

ConditionsForm::ConditionsForm(const DeviceFileSystem& deviceFiles, QWidget* parent)
    : QWidget(parent), files(deviceFiles), operatorField(new QLineEdit(this)),
      temperatureField(new QLineEdit(this)), humidityField(new QLineEdit(this)), status(new QLabel(this)) {
    auto* layout = new QFormLayout(this);
    layout->addRow(FromUtf8(texts::curve::OperatorField), operatorField);
    layout->addRow(FromUtf8(texts::curve::TemperatureField), temperatureField);
    layout->addRow(FromUtf8(texts::curve::HumidityField), humidityField);
    layout->addRow(status);
    status->setWordWrap(true);

    const CalibrationConditions kept = ReadCalibrationConditions(files);
    operatorField->setText(FromUtf8(kept.operatorName));
    temperatureField->setText(NumberText(kept.temperature));
    humidityField->setText(NumberText(kept.humidity));
    for (QLineEdit* field : {operatorField, temperatureField, humidityField})
        connect(field, &QLineEdit::editingFinished, this, &ConditionsForm::Keep);
}

void ConditionsForm::Keep() {
    const auto conditions = CalibrationConditionsFromTexts(ToUtf8(operatorField->text().trimmed()),
                                                           ToUtf8(temperatureField->text().trimmed()),
                                                           ToUtf8(humidityField->text().trimmed()));
    if (!conditions) {
        using namespace texts::curve;
        status->setText(FromUtf8(std::string(ConditionsRefused) + ShortestDecimal(LeastTemperature) +
                                 std::string(ConditionsTo) + ShortestDecimal(MostTemperature) +
                                 std::string(ConditionsHumidity) + ShortestDecimal(LeastHumidity) +
                                 std::string(ConditionsTo) + ShortestDecimal(MostHumidity)));
        return;
    }
    if (conditions == ReadCalibrationConditions(files)) {
        status->clear();
        return;
    }
    const FileResult kept = WriteCalibrationConditions(files, *conditions);
    status->setText(kept ? FromUtf8(texts::curve::ConditionsKept)
                         : FromUtf8(texts::curve::ConditionsNotKept) + FromUtf8(kept.Describe()));
}

} // namespace slabcal
