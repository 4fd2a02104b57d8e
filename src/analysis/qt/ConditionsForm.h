#pragma once

#include "platform/DeviceFileSystem.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace slabcal {

// Who calibrates and under which conditions, entered beside the curve without a step of its own in the
// write command: operator, temperature (°C) and humidity (% RH), shown as last kept and kept on the device
// (ROOT/slabcal-operator.conf) as soon as a field is left, so the next record and certificate state them
// and the next calibration starts from them. A text the file would not take back is refused, the field
// marked and nothing kept.
class ConditionsForm final : public QWidget {
public:
    // `files` outlives the form.
    explicit ConditionsForm(const DeviceFileSystem& files, QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit& OperatorField() const { return *operatorField; }
    [[nodiscard]] QLineEdit& TemperatureField() const { return *temperatureField; }
    [[nodiscard]] QLineEdit& HumidityField() const { return *humidityField; }
    [[nodiscard]] const QLabel& Status() const { return *status; }

    // Keeps the three fields; what the form does when one is left.
    void Keep();

private:
    const DeviceFileSystem& files;
    QLineEdit* operatorField;
    QLineEdit* temperatureField;
    QLineEdit* humidityField;
    QLabel* status;
};

} // namespace slabcal
