#pragma once

#include "analysis/CalibrationAnalysis.h"
#include "fitting/CalibrationPoints.h"
#include "fitting/SegmentModel.h"

#include <QtCharts/QChart>

#include <array>
#include <optional>
#include <vector>

class QCategoryAxis;
class QGraphicsSimpleTextItem;
class QLineSeries;
class QLogValueAxis;
class QScatterSeries;

namespace slabcal {

// The calibration curve on log-log axes: the recorded points, each fitted segment over its points' span,
// the boundary signals, the rows any finding names (ringed), the calibration the gauge holds now (dashed,
// per range as the gauge measures with it) and the live signal with its height and signal beside it,
// always inside the axes. The window shows it; a certificate can draw the same chart.
class CurveChart final : public QChart {
public:
    CurveChart();

    void Show(const CalibrationPoints& points, const analysis::CalibrationAnalysis& analysis,
              const std::optional<SegmentModel>& stored);
    // The advice given when the last row was saved: its rows are ringed as well.
    void ShowAdvice(const std::optional<analysis::Finding>& advice);
    // The live marker at the signal on the given range, at the height LiveHeightAt gives there (the new
    // fit's, an estimate from the rows recorded so far, or the stored calibration's); hidden when none
    // gives one.
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
    [[nodiscard]] QScatterSeries& LiveEstimate() const { return *liveEstimate; }
    // "预计 X mm / 当前 Y" beside the live marker; empty while none is shown.
    [[nodiscard]] QString LiveText() const;
    [[nodiscard]] const QLogValueAxis& SignalAxis() const { return *signalAxis; }
    [[nodiscard]] const QLogValueAxis& HeightAxis() const { return *heightAxis; }
    // The labelled ticks: the heights of the rows recorded, and signals between the decades (the log axes
    // label only their decades, often none of them).
    [[nodiscard]] QCategoryAxis& HeightTicks() const { return *heightTicks; }
    [[nodiscard]] QCategoryAxis& SignalTicks() const { return *signalTicks; }
    [[nodiscard]] QScatterSeries& RecordPoints() const { return *recordPoints; }
    [[nodiscard]] QLineSeries& RecordCurve(ConverterRange range) const;

private:
    void Attach(QAbstractSeries* series);
    void Ring();
    void FitAxes();
    void PlaceLiveText();
    void LabelTicks();
    void ShowLegendOfWhatIsDrawn();

    QLogValueAxis* signalAxis = nullptr;
    QLogValueAxis* heightAxis = nullptr;
    QCategoryAxis* signalTicks = nullptr;
    QCategoryAxis* heightTicks = nullptr;
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
    QScatterSeries* liveEstimate = nullptr;
    QGraphicsSimpleTextItem* liveText = nullptr;
    // The table of the last Show and what it would write, for the live marker.
    CalibrationPoints currentTable;
    std::optional<SegmentModel> written;
    std::vector<int> findingRows;
    std::vector<int> adviceRows;
};

} // namespace slabcal
