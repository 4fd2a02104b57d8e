#include "certificate/Certificate.h"

#include "analysis/CalibrationAnalysis.h"
#include "analysis/DecimalText.h"
#include "analysis/qt/CurveChart.h"
#include "framework/qt/ChooseDialogFont.h"
#include "framework/qt/Utf8.h"
#include "platform/OutputFile.h"
#include "platform/PosixFileSystem.h"
#include "texts/CertificateTexts.h"

#include <QBuffer>
#include <QFont>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QtCharts/QAbstractAxis>
#include <QtCharts/QAbstractSeries>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace slabcal {
namespace {

namespace words = texts::certificate;

constexpr int Dpi = 300;
constexpr double MarginMm = 15;
// The chart's own layout size; it is drawn scaled onto the page.
constexpr QSizeF ChartSize{900, 420};
// The package of the font the certificate is drawn with (ChineseFontFamily's first choice).
constexpr std::string_view FontPackage = "fonts-wqy-microhei";

// Lays text out down the page, starting a new page when the next block does not fit. Every text is
// looked up in the font first: Qt draws a character the font lacks as nothing at all, and a certificate
// without its headings or numbers must fail, not be handed out.
class PageWriter final {
public:
    // `number` and `pages` (0 while the pages are being counted) go into every page's foot.
    PageWriter(QPdfWriter& pdf, QPainter& pagePainter, QString fontFamily, std::string number, int pages)
        : writer(pdf), painter(pagePainter), family(std::move(fontFamily)),
          certificateNumber(std::move(number)), totalPages(pages), width(pagePainter.viewport().width()),
          height(pagePainter.viewport().height()) {
        Font(FootPoints);
        height -= 2 * LineHeight();
    }

    void Font(double points, bool bold = false) {
        QFont font(family);
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        font.setBold(bold);
        painter.setFont(font);
        glyphs = QRawFont::fromFont(font);
    }
    [[nodiscard]] int LineHeight() const { return painter.fontMetrics().height() * 9 / 8; }

    void Line(const std::string& text) {
        Need(LineHeight());
        painter.drawText(QRect(0, y, width, LineHeight()), Qt::AlignLeft | Qt::AlignVCenter, Checked(text));
        y += LineHeight();
    }
    // One table row: the cells centred in equal columns.
    void Row(const std::vector<std::string>& cells) {
        Need(LineHeight());
        const int column = width / static_cast<int>(cells.size());
        for (std::size_t k = 0; k < cells.size(); ++k)
            painter.drawText(QRect(static_cast<int>(k) * column, y, column, LineHeight()), Qt::AlignCenter,
                             Checked(cells[k]));
        y += LineHeight();
    }
    // A text wrapped to the page's width.
    void Paragraph(const std::string& text) {
        const QString shown = Checked(text);
        const QRect bounds = painter.boundingRect(QRect(0, 0, width, height), Qt::TextWordWrap, shown);
        Need(bounds.height());
        painter.drawText(QRect(0, y, width, bounds.height()), Qt::AlignLeft | Qt::TextWordWrap, shown);
        y += bounds.height();
    }
    void Gap() { y += LineHeight() / 2; }
    // The last page's foot; the pages drawn so far.
    int Finish() {
        Foot();
        return page;
    }
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
        // The chart draws its titles and legend in the application's font, which falls back on this one
        // for Chinese.
        for (const QAbstractAxis* axis : chart->axes())
            Check(axis->titleText());
        for (const QAbstractSeries* series : chart->series())
            Check(series->name());
        scene.render(&painter, QRectF(0, y, width, chartHeight), QRectF(QPointF(0, 0), ChartSize));
        y += chartHeight;
    }

    // The first text the font cannot show, as one line; empty when it showed them all.
    [[nodiscard]] const std::string& Missing() const { return missing; }

private:
    QString Checked(const std::string& text) {
        QString shown = FromUtf8(text);
        Check(shown);
        return shown;
    }
    void Check(const QString& text) {
        if (!missing.empty())
            return;
        for (const char32_t character : text.toUcs4()) {
            if (!QChar::isPrint(character) || glyphs.supportsCharacter(character))
                continue;
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
            missing = "the font " + ToUtf8(family) + " cannot show " + code + " of \"" + ToUtf8(text) +
                      "\"; install " + std::string(FontPackage);
            return;
        }
    }
    void Need(int space) {
        if (y + space <= height)
            return;
        Foot();
        writer.newPage();
        ++page;
        y = 0;
    }
    // The certificate number and "第 x 页 共 y 页" under the page's text, in the font of the text.
    void Foot() {
        const QFont font = painter.font();
        const QRawFont raw = glyphs;
        Font(FootPoints);
        const QRect foot(0, height + LineHeight(), width, LineHeight());
        painter.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter,
                         Checked(std::string(words::CertificateNumber) + certificateNumber));
        painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, Checked(words::PageOf(page, totalPages)));
        painter.setFont(font);
        glyphs = raw;
    }

    static constexpr double FootPoints = 8;

    QPdfWriter& writer;
    QPainter& painter;
    QString family;
    QRawFont glyphs;
    std::string missing;
    std::string certificateNumber;
    int totalPages;
    int width;
    int height;
    int y = 0;
    int page = 1;
};

std::string Fixed(double value, int decimals) {
    return analysis::FixedText(value, decimals);
}

std::string Stated(const std::string& text) {
    return text.empty() ? std::string(words::NotStated) : text;
}

std::string Stated(const std::optional<double>& value, int decimals, std::string_view unit) {
    return value ? Fixed(*value, decimals) + std::string(unit) : std::string(words::NotStated);
}

std::string DecisionText(Decision decision) {
    switch (decision) {
    case Decision::Pass:
        return std::string(words::Pass);
    case Decision::Fail:
        return std::string(words::Fail);
    case Decision::Indeterminate:
        return std::string(words::Indeterminate);
    case Decision::None:
        break;
    }
    return std::string(words::NotStated);
}

std::string ToleranceText(const CalibrationSettings& settings) {
    const auto& small = settings.toleranceSmall;
    const auto& large = settings.toleranceLarge;
    if (small == large)
        return Stated(small, 3, " mm");
    return std::string(words::SmallRange) + Stated(small, 3, " mm") + ", " + std::string(words::LargeRange) +
           Stated(large, 3, " mm");
}

std::string PermissibleErrorText(const CalibrationSettings& settings) {
    const auto& error = settings.permissibleError;
    if (!error)
        return std::string(words::NotStated);
    return "± (" + Fixed(error->mm, 3) + " mm + " + Fixed(error->percent, 3) + " %)";
}

// Who and what: the gauge, the reference, the operator, the conditions, the due date. A record of format
// 1 held none of it.
void WriteParticulars(PageWriter& page, const CertificateContent& content) {
    const CalibrationSettings& settings = content.settings;
    const CalibrationConditions& conditions = content.conditions;
    page.Line(std::string(words::Serial) + Stated(settings.serialNumber));
    page.Line(std::string(words::ReferenceSet) + Stated(settings.referenceSet) + "    " +
              std::string(words::ReferenceCertificate) + Stated(settings.referenceCertificate));
    page.Line(std::string(words::ReferenceTolerance) + ToleranceText(settings) + "    " +
              std::string(words::PermissibleError) + PermissibleErrorText(settings));
    page.Line(std::string(words::OperatorName) + Stated(conditions.operatorName) + "    " +
              std::string(words::Temperature) + Stated(conditions.temperature, 1, " °C") + "    " +
              std::string(words::Humidity) + Stated(conditions.humidity, 0, " %RH"));
    page.Line(std::string(words::DueDate) + Stated(content.dueDate));
    for (const std::string& problem : settings.problems)
        page.Line(std::string(words::SettingsProblems) + problem);
}

// Every recorded row before and after the save, with U and the decision.
void WriteAssessment(PageWriter& page, const CertificateContent& content) {
    page.Font(10, true);
    page.Line(std::string(words::AssessmentHeading));
    page.Font(7);
    if (content.assessment.empty()) {
        page.Line(std::string(words::NoAssessment));
        return;
    }
    const bool stated = content.formatVersion >= 2;
    page.Row({std::string(words::Row), std::string(words::ReferenceHeight), std::string(words::Signal),
              std::string(words::AsFound), std::string(words::ErrorMm), std::string(words::ErrorPercent),
              std::string(words::AsLeft), std::string(words::ErrorMm), std::string(words::ErrorPercent),
              std::string(words::Expanded), std::string(words::Verdict)});
    page.Rule();
    bool typed = false;
    for (const PointAssessment& point : content.assessment) {
        const double reference = point.referenceHeight;
        const auto errorPercent = [reference](double error) { return Fixed(error / reference * 100, 2); };
        const bool byHand = stated && !content.spreads[static_cast<std::size_t>(point.row)];
        typed = typed || byHand;
        const std::string noAsFound(words::NoAsFound);
        page.Row({std::to_string(point.row + 1) + (byHand ? std::string(words::TypedMark) : ""),
                  Fixed(reference, 0), Fixed(point.signal, 0),
                  point.asFound ? Fixed(*point.asFound, 2) : noAsFound,
                  point.asFound ? Fixed(*point.asFound - reference, 2) : noAsFound,
                  point.asFound ? errorPercent(*point.asFound - reference) : noAsFound,
                  Fixed(point.asLeft, 2), Fixed(point.AsLeftError(), 2), errorPercent(point.AsLeftError()),
                  stated ? Fixed(point.expanded, 2) : std::string(words::NotStated),
                  stated ? DecisionText(point.decision) : std::string(words::NotStated)});
    }
    page.Rule();
    page.Font(8);
    if (!stated) {
        page.Paragraph(std::string(words::FormatOne));
        return;
    }
    if (typed)
        page.Line(std::string(words::TypedNote));
    const bool judged = content.settings.permissibleError.has_value();
    page.Line(std::string(words::Overall) +
              (judged ? DecisionText(OverallDecision(content.assessment)) : std::string(words::NotStated)));
    page.Paragraph(std::string(words::Method));
    page.Paragraph(std::string(words::MethodCombined));
    if (!content.settings.toleranceSmall || !content.settings.toleranceLarge)
        page.Paragraph(std::string(words::NoTolerance));
    page.Paragraph(std::string(judged ? words::DecisionRule : words::NoDecision));
}

void WritePages(PageWriter& page, const CertificateContent& content) {
    const analysis::CalibrationAnalysis result = analysis::Analyse(content.points);
    page.Font(16, true);
    page.Line(std::string(words::Title));
    page.Font(8);
    page.Line(std::string(words::CertificateNumber) + content.number);
    page.Line(std::string(words::Time) + content.time + "    " + std::string(words::Version) +
              content.version + "    " + std::string(words::Record) + content.recordName);
    WriteParticulars(page, content);
    page.Gap();
    WriteAssessment(page, content);
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
                  fit ? Fixed(LogDeviationPercent(fit->maxAbs), 2) : "-",
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
    const QString family = ChineseFontFamily();
    if (family.isEmpty())
        return "cannot write " + path + ": no font for the certificate's Chinese texts; install " +
               std::string(FontPackage);
    // Drawn twice: once to count the pages every page names, then for good. Drawn whole in memory, so the
    // file is only touched once there is a certificate to put there.
    QByteArray pdf;
    int pages = 0;
    for (int pass = 0; pass < 2; ++pass) {
        pdf.clear();
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(Dpi);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                                         QPageLayout::Millimeter));
        writer.setTitle(FromUtf8(words::Title));
        writer.setCreator(QStringLiteral("slabcal ") + QString::fromStdString(content.version));
        QPainter painter;
        if (!painter.begin(&writer))
            return "cannot write " + path + ": the PDF writer did not start";
        PageWriter page(writer, painter, family, content.number, pages);
        WritePages(page, content);
        pages = page.Finish();
        if (!painter.end())
            return "cannot write " + path + ": the PDF writer failed";
        if (!page.Missing().empty())
            return "cannot write " + path + ": " + page.Missing();
    }
    return WriteOutputFile(HostFileSystem(), path,
                           std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
}

} // namespace slabcal
