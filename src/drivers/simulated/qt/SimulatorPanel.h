#pragma once

#include <QWidget>

#include <memory>
#include <span>
#include <string_view>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTimer;
class QVBoxLayout;

namespace slabcal {

class SimulatedGauge;

// The simulated gauge's own small window beside the calibration dialog (with --device sim): the probe
// height, the noise, the conversion time and the injectable faults, and what the converter is producing.
// Not modal and not part of the dialog: it keeps working while the dialog runs its modal loop. It reads
// the gauge back every 100 ms, so changes made through the control file show up here too.
class SimulatorPanel final : public QWidget {
public:
    // `presetHeights` are offered for the probe height: the heights the calibration asks for.
    SimulatorPanel(std::shared_ptr<SimulatedGauge> gauge, std::span<const std::string_view> presetHeights,
                   QWidget* parent = nullptr);

    // Shows the gauge's present state; the timer calls it, tests may call it directly.
    void Refresh();

private:
    void BuildProbeGroup(QVBoxLayout& layout, std::span<const std::string_view> presetHeights);
    void BuildFaultsGroup(QVBoxLayout& layout);
    void BuildOutputGroup(QVBoxLayout& layout);
    // Puts the panel to the right of the dialog the first time one runs modally.
    void PlaceBesideModalDialog();

    std::shared_ptr<SimulatedGauge> gauge;
    bool placed = false;

    QDoubleSpinBox* height = nullptr;
    QComboBox* heightPreset = nullptr;
    QDoubleSpinBox* noise = nullptr;
    QSpinBox* conversionMs = nullptr;
    QCheckBox* absent = nullptr;
    QCheckBox* rangeFailing = nullptr;
    QSpinBox* failRangeNext = nullptr;
    QSpinBox* failInit = nullptr;
    QSpinBox* failReadsAfter = nullptr;
    QLabel* rawCounts = nullptr;
    QLabel* signalValue = nullptr;
    QLabel* range = nullptr;
    QLabel* driver = nullptr;
    QLabel* recordsRead = nullptr;
    QLabel* initFailuresLeft = nullptr;
    QLabel* recordsBeforeReadFailure = nullptr;
    QLabel* rangeFailuresLeft = nullptr;
    QTimer* refreshTimer = nullptr;
};

} // namespace slabcal
