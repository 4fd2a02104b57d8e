#include "analysis/qt/CurveChart.h"

#include "analysis/DecimalText.h"
#include "analysis/LiveHeight.h"
#include "analysis/StoredComparison.h"
#include "fitting/NumberText.h"
#include "framework/qt/Utf8.h"
#include "texts/CurveTexts.h"

#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

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

// The axes leave this factor of room around what they show.
constexpr double AxisMargin = 1.25;

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

// Ticks between the decades: 1, 2 and 5 of each, or every digit where that gives fewer than three.
std::vector<double> SignalTickValues(double low, double high) {
    std::vector<double> values;
    for (const std::initializer_list<double> digits :
         {std::initializer_list<double>{1, 2, 5}, std::initializer_list<double>{1, 2, 3, 4, 5, 6, 7, 8, 9}}) {
        values.clear();
        for (double decade = std::pow(10.0, std::floor(std::log10(low))); decade <= high; decade *= 10)
            for (const double digit : digits)
                if (const double value = digit * decade; low < value && value < high)
                    values.push_back(value);
        if (values.size() >= 3)
            break;
    }
    return values;
}

// `axis` labels `values` (ascending) at their logarithms across low … high, leaving out a label that
// would touch the one before it on `pixels` of axis.
void LabelLogTicks(QCategoryAxis& axis, double low, double high, const std::vector<double>& values,
                   double pixels, double labelPixels) {
    for (const QString& label : axis.categoriesLabels())
        axis.remove(label);
    const double from = std::log10(low);
    const double to = std::log10(high);
    axis.setRange(from, to);
    axis.setStartValue(from);
    const double least = (to - from) * labelPixels / std::max(pixels, 1.0);
    // Qt gives a label no more room than its category, which for the first one starts at the axis' end.
    double last = from;
    for (const double value : values) {
        const double at = std::log10(value);
        if (at <= from || at >= to || at - last < least)
            continue;
        axis.append(FromUtf8(analysis::FixedText(value, 0)), at);
        last = at;
    }
}

QCategoryAxis* MakeTicks(std::string_view title) {
    auto* axis = new QCategoryAxis;
    axis->setTitleText(FromUtf8(title));
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setGridLineVisible(false);
    return axis;
}

QLineSeries* MakeCurve(std::string_view name, QPen pen) {
    auto* series = new QLineSeries;
    series->setName(FromUtf8(name));
    series->setPen(pen);
    return series;
}

} // namespace

CurveChart::CurveChart() {
    // The log axes place the series and draw the grid; the ticks' own axes beside them carry the numbers
    // and the titles.
    signalAxis = new QLogValueAxis;
    heightAxis = new QLogValueAxis;
    for (QLogValueAxis* axis : {signalAxis, heightAxis}) {
        axis->setMinorTickCount(8);
        axis->setLabelsVisible(false);
        axis->setLineVisible(false);
    }
    addAxis(signalAxis, Qt::AlignBottom);
    addAxis(heightAxis, Qt::AlignLeft);
    signalTicks = MakeTicks(curve::SignalAxis);
    heightTicks = MakeTicks(curve::HeightAxis);
    addAxis(signalTicks, Qt::AlignBottom);
    addAxis(heightTicks, Qt::AlignLeft);
    // After the layout that changed the plot: labels changed during it would not be laid out.
    connect(
        this, &QChart::plotAreaChanged, this, [this] { LabelTicks(); }, Qt::QueuedConnection);

    for (std::size_t range = 0; range < stored.size(); ++range) {
        stored[range] = MakeCurve(curve::StoredSeries, QPen(Qt::darkGray, 1.5, Qt::DashLine));
        recordCurve[range] =
            MakeCurve(curve::RecordCurveSeries, QPen(QColor(0x80, 0x30, 0xa0), 1.5, Qt::DotLine));
        Attach(stored[range]);
        Attach(recordCurve[range]);
    }
    for (std::size_t segment = 0; segment < segmentLines.size(); ++segment) {
        // Six colours of their own: the theme's would repeat after the other series took theirs.
        // None red: red rings the rows a finding names.
        static const std::array<QColor, segments::Count> colours{
            QColor(0x80, 0x80, 0x00), QColor(0x27, 0x80, 0xb0), QColor(0x2e, 0x9e, 0x4f),
            QColor(0xd6, 0x8a, 0x10), QColor(0x7d, 0x3c, 0x98), QColor(0x16, 0xa0, 0x95)};
        segmentLines[segment] = MakeCurve("", QPen(colours[segment], 2));
        segmentLines[segment]->setName(FromUtf8(curve::SegmentSeries).arg(segment + 1));
        Attach(segmentLines[segment]);
    }
    // Black points and open black squares around the boundary rows: no segment's colour hides them.
    points = MakeScatter(curve::PointsSeries, QScatterSeries::MarkerShapeCircle, 8, QColor(0x20, 0x20, 0x20));
    boundaries = MakeScatter(curve::BoundarySeries, QScatterSeries::MarkerShapeRectangle, 13,
                             QColor(0x20, 0x20, 0x20));
    boundaries->setColor(Qt::transparent);
    boundaries->setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
    culprits =
        MakeScatter(curve::CulpritSeries, QScatterSeries::MarkerShapeCircle, 16, QColor(0xd0, 0x10, 0x10));
    live = MakeScatter(curve::LiveSeries, QScatterSeries::MarkerShapeStar, 16, QColor(0x10, 0x90, 0x30));
    liveEstimate =
        MakeScatter(curve::LiveEstimateSeries, QScatterSeries::MarkerShapeStar, 16, QColor(0xe0, 0x80, 0x10));
    recordPoints = MakeScatter(curve::RecordPointsSeries, QScatterSeries::MarkerShapeTriangle, 9,
                               QColor(0x80, 0x30, 0xa0));
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{recordPoints, culprits, boundaries,
                                                                           points, live, liveEstimate})
        Attach(series);
    liveText = new QGraphicsSimpleTextItem(this);
    liveText->setZValue(10);
    connect(this, &QChart::plotAreaChanged, this, [this] { PlaceLiveText(); });
    // One legend entry for each calibration, though it is drawn per range; none for what is not shown.
    legend()->markers(stored[1]).first()->setVisible(false);
    legend()->markers(recordCurve[1]).first()->setVisible(false);
    legend()->markers(recordCurve[0]).first()->setVisible(false);
    legend()->markers(recordPoints).first()->setVisible(false);
    // One entry for the six segments, which the colours tell apart on the curve.
    legend()
        ->markers(segmentLines[0])
        .first()
        ->setLabel(FromUtf8(curve::SegmentSeries).arg(QString::fromUtf8("1–6")));
    for (std::size_t segment = 1; segment < segmentLines.size(); ++segment)
        legend()->markers(segmentLines[segment]).first()->setVisible(false);
    legend()->setAlignment(Qt::AlignBottom);
    FitAxes();
    ShowLegendOfWhatIsDrawn();
}

// The markers only drawn now and then have an entry only while they are drawn, so that the legend fits a
// narrow chart.
void CurveChart::ShowLegendOfWhatIsDrawn() {
    bool changed = false;
    const auto show = [&](QXYSeries* series, bool drawn) {
        QLegendMarker* marker = legend()->markers(series).first();
        if (marker->isVisible() != drawn) {
            marker->setVisible(drawn);
            changed = true;
        }
    };
    for (QXYSeries* series : std::initializer_list<QXYSeries*>{culprits, boundaries, live, liveEstimate})
        show(series, series->count() > 0);
    show(stored[0], stored[0]->count() + stored[1]->count() > 0);
    // The legend does not lay its entries out anew for a marker shown again.
    if (changed && legend()->layout() != nullptr)
        legend()->layout()->invalidate();
}

void CurveChart::LabelTicks() {
    const QRectF area = plotArea();
    const QFontMetricsF metrics(signalTicks->labelsFont());
    LabelLogTicks(*signalTicks, signalAxis->min(), signalAxis->max(),
                  SignalTickValues(signalAxis->min(), signalAxis->max()), area.width(),
                  metrics.horizontalAdvance(QStringLiteral("00000")));
    std::vector<double> heights;
    for (const PointText& point : currentTable)
        if (const double height = ReadIntegerPrefix(point.height); height > 0)
            heights.push_back(height);
    std::sort(heights.begin(), heights.end());
    heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
    if (heights.empty())
        heights = SignalTickValues(heightAxis->min(), heightAxis->max());
    // Qt hides a vertical label whose category is not well higher than the text.
    LabelLogTicks(*heightTicks, heightAxis->min(), heightAxis->max(), heights, area.height(),
                  1.5 * metrics.height());
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
    currentTable = table;
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
    }
    findingRows.clear();
    for (const analysis::Finding& finding : analysis.findings)
        findingRows.insert(findingRows.end(), finding.rows.begin(), finding.rows.end());

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
    Ring();
    FitAxes();
}

void CurveChart::ShowAdvice(const std::optional<analysis::Finding>& advice) {
    adviceRows = advice ? advice->rows : std::vector<int>{};
    Ring();
}

void CurveChart::Ring() {
    QList<QPointF> ringed;
    for (const std::vector<int>* rows : {&findingRows, &adviceRows}) {
        for (int row : *rows) {
            const PointText& point = currentTable[static_cast<std::size_t>(row)];
            const QPointF at(ReadIntegerPrefix(point.signal), ReadIntegerPrefix(point.height));
            if (at.x() > 0 && at.y() > 0 && !ringed.contains(at))
                ringed.append(at);
        }
    }
    culprits->replace(ringed);
    ShowLegendOfWhatIsDrawn();
}

void CurveChart::ShowLive(std::optional<double> signal, ConverterRange range,
                          const std::optional<SegmentModel>& model) {
    const auto height =
        signal ? analysis::LiveHeightAt(currentTable, written, model, range, *signal) : std::nullopt;
    live->clear();
    liveEstimate->clear();
    if (!height) {
        liveText->setText(QString());
        ShowLegendOfWhatIsDrawn();
        return;
    }
    const QPointF at(*signal, height->height);
    (height->estimate ? liveEstimate : live)->append(at);
    ShowLegendOfWhatIsDrawn();
    liveText->setText(FromUtf8(std::string(curve::LiveHeight)
                                   .append(analysis::FixedText(height->height, 0))
                                   .append(curve::LiveSignal)
                                   .append(analysis::FixedText(*signal, 0))));
    // The marker never leaves the axes: a signal beyond them widens them.
    if (at.x() * AxisMargin > signalAxis->max() || at.x() / AxisMargin < signalAxis->min() ||
        at.y() * AxisMargin > heightAxis->max() || at.y() / AxisMargin < heightAxis->min())
        FitAxes();
    PlaceLiveText();
}

QString CurveChart::LiveText() const {
    return liveText->text();
}

void CurveChart::PlaceLiveText() {
    const QScatterSeries* shown = live->count() > 0 ? live : liveEstimate;
    if (shown->count() == 0)
        return;
    const QPointF marker = mapToPosition(shown->at(0), const_cast<QScatterSeries*>(shown));
    const QRectF area = plotArea();
    const QRectF text = liveText->boundingRect();
    // Beside the marker, on whichever side keeps it within the plot.
    QPointF place = marker + QPointF(12, -text.height() - 4);
    if (place.x() + text.width() > area.right())
        place.setX(marker.x() - 12 - text.width());
    place.setY(std::clamp(place.y(), area.top(), std::max(area.top(), area.bottom() - text.height())));
    liveText->setPos(place);
}

void CurveChart::FitAxes() {
    double signalLow = HUGE_VAL;
    double signalHigh = 0;
    double heightLow = HUGE_VAL;
    double heightHigh = 0;
    // The recorded points and the live marker set the scale; a stored calibration far off them is drawn
    // clipped.
    QList<QPointF> shown = points->points();
    shown.append(live->points());
    shown.append(liveEstimate->points());
    for (const QPointF& point : shown) {
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
    signalAxis->setRange(signalLow / AxisMargin, signalHigh * AxisMargin);
    heightAxis->setRange(heightLow / AxisMargin, heightHigh * AxisMargin);
    LabelTicks();
}

} // namespace slabcal
