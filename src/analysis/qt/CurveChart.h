#pragma once

#include "analysis/CalibrationAnalysis.h"
#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentModel.h"

#include <QtCharts/QChart>

#include <array>
#include <optional>

class QLineSeries;
class QLogValueAxis;
class QScatterSeries;

namespace slabcal {

// The calibration curve on log-log axes: the recorded points, each fitted segment over its points' span,
// the boundary signals, the rows any finding names (ringed), the calibration the gauge holds now (dashed, per
// range as the gauge measures with it) and the live signal. The window shows it; a certificate can draw
// the same chart.
class CurveChart final : public QChart {
public:
    CurveChart();

    void Show(const CalibrationPoints& points, const analysis::CalibrationAnalysis& analysis,
              const std::optional<SegmentModel>& stored);
    // The live marker at the signal on the given range, at the height the new fit (as the write would
    // store it, or else the stored calibration) gives there; hidden when neither gives one.
    void ShowLive(std::optional<double> signal, ConverterRange range,
                  const std::optional<SegmentModel>& stored);

    // A record chosen for comparison: its points and its calibration drawn over the current ones; nothing
    // clears them.
    void ShowRecord(const std::optional<CalibrationPoints>& recordPoints,
                    const std::optional<SegmentModel>& model);

    [[nodiscard]] QScatterSeries& Points() const { return *points; }
    [[nodiscard]] QLineSeries& Segment(std::size_t index) const { return *segmentLines.at(index); }
    [[nodiscard]] QScatterSeries& Boundaries() const { return *boundaries; }
    [[nodiscard]] QScatterSeries& Culprits() const { return *culprits; }
    [[nodiscard]] QLineSeries& Stored(ConverterRange range) const;
    [[nodiscard]] QScatterSeries& Live() const { return *live; }
    [[nodiscard]] QScatterSeries& RecordPoints() const { return *recordPoints; }
    [[nodiscard]] QLineSeries& RecordCurve(ConverterRange range) const;

private:
    void Attach(QAbstractSeries* series);
    void FitAxes();

    QLogValueAxis* signalAxis = nullptr;
    QLogValueAxis* heightAxis = nullptr;
    QScatterSeries* points = nullptr;
    std::array<QLineSeries*, segments::Count> segmentLines{};
    QScatterSeries* boundaries = nullptr;
    QScatterSeries* culprits = nullptr;
    std::array<QLineSeries*, 2> stored{};
    QScatterSeries* recordPoints = nullptr;
    std::array<QLineSeries*, 2> recordCurve{};
    // The span of signals recorded on each range, where the calibrations are drawn.
    std::array<double, 2> spanLow{};
    std::array<double, 2> spanHigh{};
    QScatterSeries* live = nullptr;
    // What the table of the last Show would write, for the live marker.
    std::optional<SegmentModel> written;
};

} // namespace slabcal
