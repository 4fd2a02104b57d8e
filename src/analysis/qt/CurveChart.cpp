#include "analysis/qt/CurveChart.h"

#include "analysis/StoredComparison.h"
#include "fitting/NumberText.h"
#include "framework/qt/Utf8.h"
#include "texts/CurveTexts.h"

#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>

#include <algorithm>
#include <cmath>

namespace slabcal {
namespace {

namespace curve = texts::curve;

// Samples along each range for the stored calibration: enough that its boundary steps show.
constexpr int StoredSamples = 60;

// The span of signals the chart shows when nothing is recorded yet: the converter's useful counts.
constexpr double DefaultSignalLow = 100;
constexpr double DefaultSignalHigh = 20000;
constexpr double DefaultHeightLow = 30;
constexpr double DefaultHeightHigh = 1000;

QScatterSeries* MakeScatter(std::string_view name, QScatterSeries::MarkerShape shape, qreal size,
                            QColor color) {
    auto* series = new QScatterSeries;
    series->setName(FromUtf8(name));
    series->setMarkerShape(shape);
    series->setMarkerSize(size);
    series->setColor(color);
    series->setBorderColor(color);
    return series;
}

std::size_t RangeIndex(ConverterRange range) {
    return range == ConverterRange::Small ? 0 : 1;
}

// A calibration as the gauge measures with it, sampled along one range's span of signals.
QList<QPointF> Calibration(const std::optional<SegmentModel>& model, ConverterRange range, double low,
                           double high) {
    QList<QPointF> curve;
    if (!model || !(low <= high))
        return curve;
    const double span = std::log(high / low);
    for (int k = 0; k <= StoredSamples; ++k) {
        const double signal = low * std::exp(span * k / StoredSamples);
        if (const auto height = analysis::HeightAt(*model, range, signal); height && *height > 0)
            curve.append(QPointF(signal, *height));
    }
    return curve;
}

QLineSeries* MakeCurve(std::string_view name, QPen pen) {
    auto* series = new QLineSeries;
    series->setName(FromUtf8(name));
    series->setPen(pen);
    return series;
}

} // namespace

CurveChart::CurveChart() {
    signalAxis = new QLogValueAxis;
    signalAxis->setTitleText(FromUtf8(curve::SignalAxis));
    signalAxis->setLabelFormat("%g");
    signalAxis->setMinorTickCount(8);
    heightAxis = new QLogValueAxis;
    heightAxis->setTitleText(FromUtf8(curve::HeightAxis));
    heightAxis->setLabelFormat("%g");
    heightAxis->setMinorTickCount(8);
    addAxis(signalAxis, Qt::AlignBottom);
    addAxis(heightAxis, Qt::AlignLeft);

    for (std::size_t range = 0; range < stored.size(); ++range) {
        stored[range] = MakeCurve(curve::StoredSeries, QPen(Qt::darkGray, 1.5, Qt::DashLine));
        recordCurve[range] =
            MakeCurve(curve::RecordCurveSeries, QPen(QColor(0x80, 0x30, 0xa0), 1.5, Qt::DotLine));
        Attach(stored[range]);
        Attach(recordCurve[range]);
    }
    for (std::size_t segment = 0; segment < segmentLines.size(); ++segment) {
        // Six colours of their own: the theme's would repeat after the other series took theirs.
        static const std::array<QColor, segments::Count> colours{
            QColor(0xc0, 0x39, 0x2b), QColor(0x27, 0x80, 0xb0), QColor(0x2e, 0x9e, 0x4f),
            QColor(0xd6, 0x8a, 0x10), QColor(0x7d, 0x3c, 0x98), QColor(0x16, 0xa0, 0x95)};
        segmentLines[segment] = MakeCurve("", QPen(colours[segment], 2));
        segmentLines[segment]->setName(FromUtf8(curve::SegmentSeries).arg(segment + 1));
        Attach(segmentLines[segment]);
    }
    points = MakeScatter(curve::PointsSeries, QScatterSeries::MarkerShapeCircle, 8, QColor(0x1f, 0x4e, 0x9c));
    boundaries = MakeScatter(curve::BoundarySeries, QScatterSeries::MarkerShapeRectangle, 11,
                             QColor(0xe0, 0x8a, 0x00));
    culprits =
        MakeScatter(curve::CulpritSeries, QScatterSeries::MarkerShapeCircle, 16, QColor(0xd0, 0x10, 0x10));
    live = MakeScatter(curve::LiveSeries, QScatterSeries::MarkerShapeStar, 16, QColor(0x10, 0x90, 0x30));
    recordPoints = MakeScatter(curve::RecordPointsSeries, QScatterSeries::MarkerShapeTriangle, 9,
                               QColor(0x80, 0x30, 0xa0));
    for (QAbstractSeries* series :
         std::initializer_list<QAbstractSeries*>{recordPoints, culprits, boundaries, points, live})
        Attach(series);
    // One legend entry for each calibration, though it is drawn per range; none for what is not shown.
    legend()->markers(stored[1]).first()->setVisible(false);
    legend()->markers(recordCurve[1]).first()->setVisible(false);
    legend()->markers(recordCurve[0]).first()->setVisible(false);
    legend()->markers(recordPoints).first()->setVisible(false);
    legend()->setAlignment(Qt::AlignBottom);
    FitAxes();
}

void CurveChart::Attach(QAbstractSeries* series) {
    addSeries(series);
    series->attachAxis(signalAxis);
    series->attachAxis(heightAxis);
}

QLineSeries& CurveChart::Stored(ConverterRange range) const {
    return *stored[RangeIndex(range)];
}

QLineSeries& CurveChart::RecordCurve(ConverterRange range) const {
    return *recordCurve[RangeIndex(range)];
}

void CurveChart::ShowRecord(const std::optional<CalibrationPoints>& table,
                            const std::optional<SegmentModel>& model) {
    QList<QPointF> shown;
    if (table) {
        for (const PointText& point : *table) {
            const double height = ReadIntegerPrefix(point.height);
            const double signal = ReadIntegerPrefix(point.signal);
            if (height > 0 && signal > 0)
                shown.append({signal, height});
        }
    }
    recordPoints->replace(shown);
    legend()->markers(recordPoints).first()->setVisible(table.has_value());
    for (const auto range : {ConverterRange::Small, ConverterRange::Large}) {
        const std::size_t index = RangeIndex(range);
        recordCurve[index]->replace(Calibration(model, range, spanLow[index], spanHigh[index]));
    }
    legend()->markers(recordCurve[0]).first()->setVisible(model.has_value());
}

void CurveChart::Show(const CalibrationPoints& table, const analysis::CalibrationAnalysis& analysis,
                      const std::optional<SegmentModel>& model) {
    QList<QPointF> recorded;
    std::array<double, 2> low{DefaultSignalHigh, DefaultSignalHigh};
    std::array<double, 2> high{DefaultSignalLow, DefaultSignalLow};
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const PointText& point = table[static_cast<std::size_t>(row)];
        const double height = ReadIntegerPrefix(point.height);
        const double signal = ReadIntegerPrefix(point.signal);
        if (height <= 0 || signal <= 0)
            continue;
        recorded.append({signal, height});
        const std::size_t range = RangeIndex(segments::RangeOfRow(row));
        low[range] = std::min(low[range], signal);
        high[range] = std::max(high[range], signal);
    }
    points->replace(recorded);

    QList<QPointF> culpritPoints;
    for (std::size_t segment = 0; segment < segmentLines.size(); ++segment) {
        const analysis::SegmentCheck& check = analysis.segments[segment];
        QList<QPointF> line;
        if (check.fit) {
            // A power law is a straight line on log-log axes: its two ends draw it.
            const auto [first, count] = segments::Table[segment];
            double from = HUGE_VAL;
            double to = 0;
            for (int row = first; row < first + count; ++row) {
                const double signal = ReadIntegerPrefix(table[static_cast<std::size_t>(row)].signal);
                from = std::min(from, signal);
                to = std::max(to, signal);
            }
            line = {{from, check.fit->HeightAt(from)}, {to, check.fit->HeightAt(to)}};
        }
        segmentLines[segment]->replace(line);
        if (check.culprit) {
            const PointText& point = table[static_cast<std::size_t>(check.culprit->row)];
            culpritPoints.append({static_cast<double>(ReadIntegerPrefix(point.signal)),
                                  static_cast<double>(ReadIntegerPrefix(point.height))});
        }
    }
    culprits->replace(culpritPoints);

    QList<QPointF> boundaryPoints;
    for (const analysis::BoundaryCheck& boundary : analysis.boundaries)
        boundaryPoints.append({boundary.signal, boundary.lowerHeight});
    boundaries->replace(boundaryPoints);
    written = analysis::ModelToWrite(table);

    spanLow = low;
    spanHigh = high;
    for (const auto range : {ConverterRange::Small, ConverterRange::Large}) {
        const std::size_t index = RangeIndex(range);
        stored[index]->replace(Calibration(model, range, low[index], high[index]));
    }
    FitAxes();
}

void CurveChart::ShowLive(std::optional<double> signal, ConverterRange range,
                          const std::optional<SegmentModel>& model) {
    std::optional<double> height;
    if (signal && (written || model))
        height = analysis::HeightAt(written ? *written : *model, range, *signal);
    if (height)
        live->replace(QList<QPointF>{{*signal, *height}});
    else
        live->clear();
}

void CurveChart::FitAxes() {
    double signalLow = HUGE_VAL;
    double signalHigh = 0;
    double heightLow = HUGE_VAL;
    double heightHigh = 0;
    // The recorded points set the scale; a stored calibration far off them is drawn clipped.
    for (const QPointF& point : points->points()) {
        signalLow = std::min(signalLow, point.x());
        signalHigh = std::max(signalHigh, point.x());
        heightLow = std::min(heightLow, point.y());
        heightHigh = std::max(heightHigh, point.y());
    }
    if (signalHigh <= 0) {
        signalLow = DefaultSignalLow;
        signalHigh = DefaultSignalHigh;
        heightLow = DefaultHeightLow;
        heightHigh = DefaultHeightHigh;
    }
    signalAxis->setRange(signalLow / 1.25, signalHigh * 1.25);
    heightAxis->setRange(heightLow / 1.25, heightHigh * 1.25);
}

} // namespace slabcal
