#include "certificate/Certificate.h"

#include "analysis/CalibrationAnalysis.h"
#include "analysis/DecimalText.h"
#include "analysis/qt/CurveChart.h"
#include "framework/qt/Utf8.h"
#include "texts/CertificateTexts.h"

#include <QFont>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cmath>
#include <initializer_list>
#include <vector>

namespace slabcal {
namespace {

namespace words = texts::certificate;

constexpr int Dpi = 300;
constexpr double MarginMm = 15;
// The chart's own layout size; it is drawn scaled onto the page.
constexpr QSizeF ChartSize{900, 420};

// Lays text out down the page, starting a new page when the next block does not fit.
class PageWriter final {
public:
    PageWriter(QPdfWriter& pdf, QPainter& pagePainter)
        : writer(pdf), painter(pagePainter), width(pagePainter.viewport().width()),
          height(pagePainter.viewport().height()) {}

    void Font(double points, bool bold = false) {
        QFont font(QStringLiteral("WenQuanYi Micro Hei"));
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        painter.setFont(font);
    }
    [[nodiscard]] int LineHeight() const { return painter.fontMetrics().height() * 9 / 8; }

    void Line(const std::string& text) {
        Need(LineHeight());
        painter.drawText(QRect(0, y, width, LineHeight()), Qt::AlignLeft | Qt::AlignVCenter, FromUtf8(text));
        y += LineHeight();
    }
    // One table row: the cells centred in equal columns.
    void Row(const std::vector<std::string>& cells) {
        Need(LineHeight());
        const int column = width / static_cast<int>(cells.size());
        for (std::size_t k = 0; k < cells.size(); ++k)
            painter.drawText(QRect(static_cast<int>(k) * column, y, column, LineHeight()), Qt::AlignCenter,
                             FromUtf8(cells[k]));
        y += LineHeight();
    }
    void Gap() { y += LineHeight() / 2; }
    void Rule() {
        painter.drawLine(0, y, width, y);
        y += LineHeight() / 4;
    }
    // The chart under its heading, both on one page.
    void Chart(const std::string& heading, const CertificateContent& content,
               const analysis::CalibrationAnalysis& result) {
        const int chartHeight = static_cast<int>(width * ChartSize.height() / ChartSize.width());
        Font(10, true);
        Need(LineHeight() + chartHeight);
        Line(heading);
        QGraphicsScene scene;
        auto* chart = new CurveChart; // the scene owns it
        scene.addItem(chart);
        chart->resize(ChartSize);
        chart->Show(content.points, result, std::nullopt);
        scene.render(&painter, QRectF(0, y, width, chartHeight), QRectF(QPointF(0, 0), ChartSize));
        y += chartHeight;
    }

private:
    void Need(int space) {
        if (y + space <= height)
            return;
        writer.newPage();
        y = 0;
    }

    QPdfWriter& writer;
    QPainter& painter;
    int width;
    int height;
    int y = 0;
};

std::string Fixed(double value, int decimals) {
    return analysis::FixedText(value, decimals);
}

void WritePages(PageWriter& page, const CertificateContent& content) {
    const analysis::CalibrationAnalysis result = analysis::Analyse(content.points);
    page.Font(16, true);
    page.Line(std::string(words::Title));
    page.Font(8);
    page.Line(std::string(words::Time) + content.time);
    page.Line(std::string(words::Version) + content.version);
    page.Line(std::string(words::Record) + content.recordName);
    page.Gap();

    page.Font(10, true);
    page.Line(std::string(words::PointsHeading));
    page.Font(8);
    page.Row({"段", "行", "高度 mm", "信号值", "拟合高度 mm", "偏差 mm", "偏差 %"});
    page.Rule();
    for (const analysis::PointCheck& point : result.points)
        page.Row({std::to_string(point.segment + 1), std::to_string(point.row + 1),
                  content.points[static_cast<std::size_t>(point.row)].height,
                  content.points[static_cast<std::size_t>(point.row)].signal, Fixed(point.fittedHeight, 2),
                  Fixed(point.deviationMm, 2), Fixed(point.deviationPercent, 2)});
    page.Gap();

    page.Font(10, true);
    page.Line(std::string(words::SegmentsHeading));
    page.Font(8);
    page.Row({std::string(words::Segment), std::string(words::Slope), std::string(words::Intercept),
              std::string(words::MaxDeviation), std::string(words::Forced)});
    page.Rule();
    for (std::size_t segment = 0; segment < segments::Table.size(); ++segment) {
        const auto& fit = result.segments[segment].fit;
        page.Row({std::to_string(segment + 1), content.values[segment], content.values[segment + 6],
                  fit ? Fixed(std::expm1(fit->maxAbs) * 100, 2) : "-",
                  content.forced[segment] ? std::string(words::Yes) : ""});
    }
    page.Gap();

    page.Font(10, true);
    page.Line(std::string(words::BoundariesHeading));
    page.Font(8);
    page.Row({"ConsRange0 = " + content.values[12], "ConsRange1 = " + content.values[13],
              "ConsRange2 = " + content.values[14], "ConsRange3 = " + content.values[15]});
    page.Gap();

    page.Chart(std::string(words::CurveHeading), content, result);
    page.Font(8);
    page.Line(std::string(words::Checksum) + content.checksum);
    page.Gap();
    page.Gap();
    page.Row({std::string(words::Operator), std::string(words::Signature), std::string(words::Date)});
}

} // namespace

std::string WriteCertificate(const CertificateContent& content, const std::string& path) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot write " + path + ": " + file.errorString().toStdString();
    {
        QPdfWriter writer(&file);
        writer.setResolution(Dpi);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                                         QPageLayout::Millimeter));
        writer.setTitle(FromUtf8(words::Title));
        writer.setCreator(QStringLiteral("slabcal ") + QString::fromStdString(content.version));
        QPainter painter;
        if (!painter.begin(&writer))
            return "cannot write " + path + ": the PDF writer did not start";
        PageWriter page(writer, painter);
        WritePages(page, content);
        painter.end();
    }
    if (!file.commit())
        return "cannot write " + path + ": " + file.errorString().toStdString();
    return {};
}

} // namespace slabcal
