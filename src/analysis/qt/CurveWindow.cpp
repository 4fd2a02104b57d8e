#include "analysis/qt/CurveWindow.h"

#include "analysis/CalibrationAnalysis.h"
#include "analysis/DecimalText.h"
#include "analysis/StoredComparison.h"
#include "analysis/qt/AdviceLine.h"
#include "analysis/qt/CurveChart.h"
#include "fitting/NumberText.h"
#include "fitting/PointsFile.h"
#include "framework/qt/Utf8.h"
#include "platform/OutputFile.h"
#include "platform/PosixFileSystem.h"
#include "storage/ReadSegmentModel.h"
#include "texts/CurveTexts.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QChartView>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <utility>
#include <variant>

namespace slabcal {
namespace {

namespace curve = texts::curve;

constexpr int RefreshMs = 100; // at most ten updates a second

QTableWidget* MakeTable(QWidget* parent, std::initializer_list<std::string_view> headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    QStringList labels;
    for (std::string_view header : headers)
        labels.append(FromUtf8(header));
    table->setHorizontalHeaderLabels(labels);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return table;
}

void SetCell(QTableWidget& table, int row, int column, const std::string& text) {
    auto* item = new QTableWidgetItem(FromUtf8(text));
    item->setTextAlignment(Qt::AlignCenter);
    table.setItem(row, column, item);
}

// The parts, three blanks apart.
std::string Spaced(std::initializer_list<std::string_view> parts) {
    std::string line;
    for (std::string_view part : parts) {
        if (!line.empty())
            line.append("   ");
        line.append(part);
    }
    return line;
}

// One record as the records tab lists it: name, kind, worst deviation and forced segments, or "损坏".
std::string RecordLine(const ListedRecord& listed) {
    const auto* record = std::get_if<CalibrationRecord>(&listed.record);
    if (record == nullptr)
        return Spaced({listed.name, curve::DamagedRecord});
    if (!RecordsASave(record->kind))
        return Spaced({listed.name, RecordKindName(record->kind),
                       std::to_string(RecordedRowCount(*record)).append(curve::Rows)});
    const std::string forced = ForcedSegments(*record);
    const std::string deviation = std::string(curve::WorstDeviation)
                                      .append(analysis::FixedText(WorstDeviationPercent(*record), 2))
                                      .append(" %");
    if (forced.empty())
        return Spaced({listed.name, RecordKindName(record->kind), deviation});
    return Spaced({listed.name, RecordKindName(record->kind), deviation,
                   std::string(curve::ForcedSegments).append(forced)});
}

std::string Optional(const std::optional<double>& value, int decimals) {
    return value ? analysis::FixedText(*value, decimals) : std::string("-");
}

} // namespace

CurveWindow::CurveWindow(const CalibrationWorksheet& sheet, StoredSource storedModel,
                         RecordsSource recordFiles, QWidget* parent)
    : QWidget(parent, Qt::Window), worksheet(sheet), storedSource(std::move(storedModel)),
      stored(storedSource()) {
    setWindowTitle(FromUtf8(curve::WindowTitle));
    auto* layout = new QVBoxLayout(this);
    splitter = new QSplitter(Qt::Vertical, this);
    layout->addWidget(splitter);

    chart = new CurveChart;
    auto* view = new QChartView(chart, splitter);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(380);
    chartView = view;
    splitter->addWidget(view);

    auto* lower = new QWidget(splitter);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    settleLabel = new QLabel(lower);
    // Its text changes with every sample; a fixed height keeps that from laying the window out anew.
    settleLabel->setFixedHeight(settleLabel->sizeHint().height());
    settleLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    storedLabel = new QLabel(lower);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(settleLabel, 1);
    statusRow->addWidget(storedLabel);
    auto* saveCsv = new QPushButton(FromUtf8(curve::SaveCsv), lower);
    connect(saveCsv, &QPushButton::clicked, this, &CurveWindow::SaveTable);
    statusRow->addWidget(saveCsv);
    lowerLayout->addLayout(statusRow);
    adviceLine = new AdviceLine(worksheet, lower);
    lowerLayout->addWidget(adviceLine);
    // The rows the advice names are ringed and marked like a finding's.
    adviceLine->OnChange([this] {
        stale = true;
        if (isVisible())
            ShowTable();
    });
    findings = new QListWidget(lower);
    findings->setMaximumHeight(70);
    lowerLayout->addWidget(findings);
    tabs = new QTabWidget(lower);
    pointTable =
        MakeTable(tabs, {curve::RowColumn, curve::SegmentColumn, curve::HeightColumn, curve::SignalColumn,
                         curve::FittedColumn, curve::DeviationMmColumn, curve::DeviationPercentColumn});
    compareTable =
        MakeTable(tabs, {curve::RowColumn, curve::HeightColumn, curve::SignalColumn,
                         curve::StoredHeightColumn, curve::NewHeightColumn, curve::DifferenceColumn});
    tabs->addTab(pointTable, FromUtf8(curve::PointsTab));
    tabs->addTab(compareTable, FromUtf8(curve::CompareTab));
    recordList = new QListWidget(tabs);
    connect(recordList, &QListWidget::currentRowChanged, this, &CurveWindow::ChooseRecord);
    tabs->addTab(recordList, FromUtf8(curve::RecordsTab));
    lowerLayout->addWidget(tabs);
    splitter->addWidget(lower);
    resize(720, 900);

    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(RefreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &CurveWindow::Refresh);
    refreshTimer->start();
    // Drawn once the command that changed the worksheet has finished, on the UI thread.
    subscription = worksheet.Subscribe([this](const WorksheetEvent& event) {
        QMetaObject::invokeMethod(
            this, [this, event] { Changed(event); }, Qt::QueuedConnection);
    });
    ShowSettle();

    // The list reaches this window as an event on the UI thread, in the order the listings were made.
    listing =
        std::make_unique<RecordListing>(std::move(recordFiles), [this](std::vector<ListedRecord> listed) {
            auto shared = std::make_shared<std::vector<ListedRecord>>(std::move(listed));
            QMetaObject::invokeMethod(
                this, [this, shared] { ShowRecords(std::move(*shared)); }, Qt::QueuedConnection);
        });
}

CurveWindow::~CurveWindow() {
    // Before anything the listing thread could post to goes.
    listing.reset();
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
}

void CurveWindow::LetChartShrinkTo(int height) {
    chartView->setMinimumHeight(height);
    layout()->setContentsMargins(0, 0, 0, 0);
    // Every pixel of a small chart for the plot: no frame, no rounded card around it.
    chartView->setFrameShape(QFrame::NoFrame);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setBackgroundRoundness(0);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    // Shared in this proportion, neither below its minimum.
    splitter->setSizes({60, 40});
}

void CurveWindow::AddTab(QWidget* page, const QString& title) {
    tabs->addTab(page, title);
}

void CurveWindow::InstallToggleKey() {
    qApp->installEventFilter(this);
}

bool CurveWindow::eventFilter(QObject* watched, QEvent* event) {
    // The key goes to whichever widget has the focus; taken there, it never travels on to its parents.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == ToggleKey && !key->isAutoRepeat()) {
            setVisible(!isVisible());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CurveWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale)
        ShowTable();
    ShowLive();
    listing->Request();
}

void CurveWindow::Refresh() {
    const LiveSignal::Fresh fresh = worksheet.Live()->Since(liveSeen);
    if (fresh.lost)
        settle.Clear();
    for (std::uint32_t value : fresh.values)
        settle.Add(value);
    if (!isVisible())
        return;
    if (stale)
        ShowTable();
    if (fresh.lost || !fresh.values.empty())
        ShowLive();
    ShowSettle();
}

void CurveWindow::Changed(const WorksheetEvent& event) {
    stale = true;
    // A write changes the parameter file and leaves a new record.
    if (event.change == WorksheetChange::Written)
        stored = storedSource();
    if (!isVisible())
        return;
    if (event.change == WorksheetChange::Written)
        listing->Request();
    ShowTable();
    ShowLive();
}

void CurveWindow::ShowTable() {
    stale = false;
    const CalibrationPoints points = worksheet.Points();
    const analysis::CalibrationAnalysis result = analysis::Analyse(points, RangesOf(worksheet));
    const auto& advice = adviceLine->Advice();
    chart->Show(points, result, stored);
    chart->ShowAdvice(advice);
    storedLabel->setText(stored ? QString() : FromUtf8(curve::NoStoredFile));

    pointTable->setRowCount(static_cast<int>(result.points.size()));
    for (int index = 0; index < static_cast<int>(result.points.size()); ++index) {
        const analysis::PointCheck& point = result.points[static_cast<std::size_t>(index)];
        const std::array<std::string, 7> cells{std::to_string(point.row + 1),
                                               std::to_string(point.segment + 1),
                                               analysis::FixedText(point.height, 0),
                                               analysis::FixedText(point.signal, 0),
                                               analysis::FixedText(point.fittedHeight, 1),
                                               analysis::FixedText(point.deviationMm, 2),
                                               analysis::FixedText(point.deviationPercent, 2)};
        for (int column = 0; column < static_cast<int>(cells.size()); ++column)
            SetCell(*pointTable, index, column, cells[static_cast<std::size_t>(column)]);
        const bool overLimit = result.segments[static_cast<std::size_t>(point.segment)].overLimit;
        // A row a finding names, in the finding's colour.
        if (point.named || (advice && std::ranges::find(advice->rows, point.row) != advice->rows.end())) {
            for (int column = 0; column < pointTable->columnCount(); ++column)
                pointTable->item(index, column)->setForeground(QColor(0xc0, 0x10, 0x10));
        }
        if (point.worstOfSegment) {
            for (int column = 0; column < pointTable->columnCount(); ++column) {
                QTableWidgetItem* item = pointTable->item(index, column);
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
                item->setBackground(overLimit ? QColor(0xff, 0xd0, 0xd0) : QColor(0xff, 0xf3, 0xc4));
            }
        }
    }

    const auto comparison = analysis::CompareWithStored(points, stored);
    compareTable->setRowCount(static_cast<int>(comparison.size()));
    for (int index = 0; index < static_cast<int>(comparison.size()); ++index) {
        const analysis::HeightComparison& row = comparison[static_cast<std::size_t>(index)];
        const std::array<std::string, 6> cells{
            std::to_string(row.row + 1),
            analysis::FixedText(ReadIntegerPrefix(points[static_cast<std::size_t>(row.row)].height), 0),
            analysis::FixedText(row.signal, 0),
            Optional(row.storedHeight, 1),
            Optional(row.newHeight, 1),
            Optional(row.differenceMm, 2)};
        for (int column = 0; column < static_cast<int>(cells.size()); ++column)
            SetCell(*compareTable, index, column, cells[static_cast<std::size_t>(column)]);
    }

    ChooseRecord(chosenRecord); // drawn again over the new span

    findings->clear();
    for (const analysis::Finding& finding : result.findings)
        findings->addItem(FromUtf8(finding.text));
    if (result.findings.empty())
        findings->addItem(FromUtf8(curve::NoFindings));
}

void CurveWindow::ShowLive() {
    const auto signal = worksheet.Live()->Current();
    chart->ShowLive(signal && *signal > 0 ? std::optional<double>(*signal) : std::nullopt,
                    segments::RangeOfRow(worksheet.CurrentRow()), stored);
}

void CurveWindow::ShowSettle() {
    const auto state = settle.Current();
    const std::string text = Spaced({state.settled ? curve::Settled : curve::NotSettled,
                                     std::string(curve::FreshValues)
                                         .append(std::to_string(state.count))
                                         .append("/")
                                         .append(std::to_string(analysis::SettleWindow::Size)),
                                     std::string(curve::Spread)
                                         .append(analysis::FixedText(state.spread, 0))
                                         .append(" (")
                                         .append(analysis::FixedText(state.spreadPercent, 2))
                                         .append(" %)"),
                                     std::string(curve::Drift).append(analysis::FixedText(state.drift, 0))});
    const QString shown = FromUtf8(text);
    if (settleLabel->text() == shown)
        return;
    settleLabel->setText(shown);
    settleLabel->setStyleSheet(state.settled ? "color: #108030; font-weight: bold" : "color: #a05000");
}

void CurveWindow::ShowRecords(std::vector<ListedRecord> fresh) {
    const QString chosen =
        recordList->currentItem() != nullptr ? recordList->currentItem()->text() : QString();
    records = std::move(fresh);
    const QSignalBlocker quiet(recordList);
    recordList->clear();
    for (const ListedRecord& listed : records) {
        const std::string line = RecordLine(listed);
        recordList->addItem(FromUtf8(line));
    }
    const auto found = recordList->findItems(chosen, Qt::MatchExactly);
    recordList->setCurrentRow(found.isEmpty() ? -1 : recordList->row(found.first()));
    ChooseRecord(recordList->currentRow());
}

void CurveWindow::ChooseRecord(int index) {
    chosenRecord = index;
    const CalibrationRecord* record = nullptr;
    if (index >= 0 && index < static_cast<int>(records.size()))
        record = std::get_if<CalibrationRecord>(&records[static_cast<std::size_t>(index)].record);
    if (record == nullptr) {
        chart->ShowRecord(std::nullopt, std::nullopt);
        return;
    }
    chart->ShowRecord(record->points, SegmentModelFromTexts(ValueTexts(*record)));
}

std::string CurveWindow::SaveTableAs(const QString& path) const {
    const auto text = PointsFileText(worksheet.Points());
    if (const auto* refusal = std::get_if<PointsFileRefusal>(&text))
        return refusal->message;
    return WriteOutputFile(HostFileSystem(), QFile::encodeName(path).toStdString(),
                           std::get<std::string>(text));
}

void CurveWindow::SaveTable() {
    const QString path = QFileDialog::getSaveFileName(
        this, FromUtf8(curve::SaveCsv), QStringLiteral("points.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (const std::string error = SaveTableAs(path); !error.empty())
        QMessageBox::warning(this, FromUtf8(curve::WindowTitle), QString::fromStdString(error));
}

} // namespace slabcal
