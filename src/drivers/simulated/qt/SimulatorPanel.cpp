#include "drivers/simulated/qt/SimulatorPanel.h"

#include "framework/qt/Utf8.h"

#include "drivers/simulated/SimulatedGauge.h"
#include "texts/Texts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace slabcal {

namespace {

constexpr int RefreshMs = 100;
constexpr int MaxCount = 1000000;

// Shows `value` unless the operator is editing the box, so a refresh never fights the keyboard.
template <class Box, class Value> void ShowValue(Box& box, Value value) {
    if (box.hasFocus() || box.value() == value)
        return;
    QSignalBlocker quiet(&box);
    box.setValue(value);
}

void ShowChecked(QCheckBox& box, bool checked) {
    if (box.isChecked() == checked)
        return;
    QSignalBlocker quiet(&box);
    box.setChecked(checked);
}

// A count and the button that arms it, on one form row.
QSpinBox* AddArmedCount(QFormLayout& form, QWidget& owner, std::string_view label,
                        std::function<void(int)> arm) {
    auto* row = new QWidget(&owner);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* count = new QSpinBox(row);
    count->setRange(0, MaxCount);
    count->setValue(1);
    auto* button = new QPushButton(FromUtf8(texts::panel::Arm), row);
    button->setObjectName(QStringLiteral("arm"));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, row,
                     [count, arm = std::move(arm)] { arm(count->value()); });
    layout->addWidget(count, 1);
    layout->addWidget(button);
    form.addRow(FromUtf8(label), row);
    return count;
}

} // namespace

SimulatorPanel::SimulatorPanel(std::shared_ptr<SimulatedGauge> simulated,
                               std::span<const std::string_view> presetHeights, QWidget* parent)
    : QWidget(parent, Qt::Window), gauge(std::move(simulated)) {
    setWindowTitle(FromUtf8(texts::panel::Title));
    auto* layout = new QVBoxLayout(this);
    BuildProbeGroup(*layout, presetHeights);
    BuildFaultsGroup(*layout);
    BuildOutputGroup(*layout);

    // Named, so tests and accessibility tools can find them.
    for (auto [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
             {height, "height"},
             {heightPreset, "heightPreset"},
             {noise, "noise"},
             {conversionMs, "conversionMs"},
             {absent, "absent"},
             {rangeFailing, "rangeFailing"},
             {failRangeNext, "failRangeNext"},
             {failInit, "failInit"},
             {failReadsAfter, "failReadsAfter"},
             {rawCounts, "rawCounts"},
             {signalValue, "signal"},
             {range, "range"},
             {driver, "driver"},
             {recordsRead, "recordsRead"},
             {initFailuresLeft, "initFailuresLeft"},
             {recordsBeforeReadFailure, "recordsBeforeReadFailure"},
             {rangeFailuresLeft, "rangeFailuresLeft"}})
        widget->setObjectName(QString::fromLatin1(name));

    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(RefreshMs);
    connect(refreshTimer, &QTimer::timeout, this, [this] {
        gauge->PollControlFile();
        Refresh();
        PlaceBesideModalDialog();
    });
    refreshTimer->start();
    Refresh();
}

void SimulatorPanel::BuildProbeGroup(QVBoxLayout& layout, std::span<const std::string_view> presetHeights) {
    auto* group = new QGroupBox(FromUtf8(texts::panel::ProbeGroup), this);
    auto* form = new QFormLayout(group);

    height = new QDoubleSpinBox(group);
    height->setRange(0, 10000);
    height->setDecimals(1);
    height->setSingleStep(10);
    connect(height, &QDoubleSpinBox::valueChanged, this, [this](double mm) { gauge->SetHeight(mm); });
    form->addRow(FromUtf8(texts::panel::Height), height);

    heightPreset = new QComboBox(group);
    for (std::string_view preset : presetHeights)
        heightPreset->addItem(FromUtf8(preset));
    heightPreset->setCurrentIndex(-1);
    connect(heightPreset, &QComboBox::activated, this,
            [this](int index) { height->setValue(heightPreset->itemText(index).toDouble()); });
    form->addRow(FromUtf8(texts::panel::HeightPreset), heightPreset);

    noise = new QDoubleSpinBox(group);
    noise->setRange(0, 1);
    noise->setDecimals(4);
    noise->setSingleStep(0.001);
    connect(noise, &QDoubleSpinBox::valueChanged, this, [this](double sigma) { gauge->SetNoise(sigma); });
    form->addRow(FromUtf8(texts::panel::Noise), noise);

    conversionMs = new QSpinBox(group);
    conversionMs->setRange(0, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                   SimulatedGauge::MaxConversionTime)
                                                   .count()));
    connect(conversionMs, &QSpinBox::valueChanged, this,
            [this](int ms) { gauge->SetConversionTime(std::chrono::milliseconds(ms)); });
    form->addRow(FromUtf8(texts::panel::ConversionTime), conversionMs);
    layout.addWidget(group);
}

void SimulatorPanel::BuildFaultsGroup(QVBoxLayout& layout) {
    auto* group = new QGroupBox(FromUtf8(texts::panel::FaultsGroup), this);
    auto* form = new QFormLayout(group);

    absent = new QCheckBox(FromUtf8(texts::panel::Absent), group);
    connect(absent, &QCheckBox::toggled, this, [this](bool on) { gauge->SetAbsent(on); });
    form->addRow(absent);
    rangeFailing = new QCheckBox(FromUtf8(texts::panel::RangeFailing), group);
    connect(rangeFailing, &QCheckBox::toggled, this, [this](bool on) { gauge->SetRangeSwitchFailing(on); });
    form->addRow(rangeFailing);

    failRangeNext = AddArmedCount(*form, *group, texts::panel::FailRangeNext, [this](int count) {
        gauge->FailRangeSwitches(static_cast<std::uint32_t>(count));
    });
    failInit = AddArmedCount(*form, *group, texts::panel::FailInit, [this](int count) {
        gauge->FailInitialisations(static_cast<std::uint32_t>(count));
    });
    failReadsAfter = AddArmedCount(*form, *group, texts::panel::FailReadsAfter, [this](int count) {
        gauge->FailReadsFrom(static_cast<std::uint64_t>(count));
    });
    failReadsAfter->setValue(0);

    auto* clear = new QPushButton(FromUtf8(texts::panel::ClearFaults), group);
    clear->setObjectName(QStringLiteral("clearFaults"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, [this] {
        gauge->ClearFaults();
        Refresh();
    });
    form->addRow(clear);
    layout.addWidget(group);
}

void SimulatorPanel::BuildOutputGroup(QVBoxLayout& layout) {
    auto* group = new QGroupBox(FromUtf8(texts::panel::OutputGroup), this);
    auto* form = new QFormLayout(group);
    auto addLine = [&](std::string_view label) {
        auto* value = new QLabel(group);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(FromUtf8(label), value);
        return value;
    };
    rawCounts = addLine(texts::panel::RawCounts);
    signalValue = addLine(texts::panel::Signal);
    range = addLine(texts::panel::Range);
    driver = addLine(texts::panel::Driver);
    recordsRead = addLine(texts::panel::RecordsRead);
    initFailuresLeft = addLine(texts::panel::InitFailuresLeft);
    recordsBeforeReadFailure = addLine(texts::panel::RecordsBeforeReadFailure);
    rangeFailuresLeft = addLine(texts::panel::RangeFailuresLeft);
    layout.addWidget(group);
}

void SimulatorPanel::Refresh() {
    SimulatedGauge::Status status = gauge->CurrentStatus();
    ShowValue(*height, status.heightMm);
    ShowValue(*noise, status.noise);
    ShowValue(*conversionMs,
              static_cast<int>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(status.conversionTime).count()));
    ShowChecked(*absent, status.absent);
    ShowChecked(*rangeFailing, status.rangeSwitchFailing);

    rawCounts->setText(QString::number(status.lastCounts));
    signalValue->setText(QString::number(status.lastCounts / 1000));
    range->setText(FromUtf8(status.range == ConverterRange::Small ? texts::panel::SmallRange
                                                                  : texts::panel::LargeRange));
    driver->setText(FromUtf8(status.open ? texts::panel::Open : texts::panel::Closed));
    recordsRead->setText(QString::number(status.recordsRead));
    initFailuresLeft->setText(QString::number(status.initFailuresLeft));
    recordsBeforeReadFailure->setText(status.recordsBeforeReadFailure
                                          ? QString::number(*status.recordsBeforeReadFailure)
                                          : FromUtf8(texts::panel::Never));
    rangeFailuresLeft->setText(QString::number(status.rangeSwitchFailuresLeft));
}

void SimulatorPanel::PlaceBesideModalDialog() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (placed || dialog == nullptr || qobject_cast<QMessageBox*>(dialog) != nullptr || !dialog->isVisible())
        return;
    placed = true;
    QRect frame = dialog->frameGeometry();
    move(frame.right() + 12, frame.top());
}

} // namespace slabcal
