#pragma once

#include "analysis/SettleWindow.h"
#include "fitting/SegmentModel.h"
#include "records/RecordListing.h"
#include "records/RecordStore.h"
#include "worksheet/CalibrationWorksheet.h"
#include "worksheet/LiveSignal.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QChartView;
class QListWidget;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace slabcal {

class AdviceLine;
class CurveChart;

// The calibration curve window beside the dialog: the curve, each point against its segment, the
// problems the write command does not look for, the advice on the row just saved, whether the live signal
// has settled, and what a write would change against the calibration the gauge holds now. It is a face of the
// calibration worksheet that only watches: it hears of every change to the worksheet (queued to the UI
// thread), takes the live signal's fresh values ten times a second and reads the parameter file read-only,
// and never changes either.
class CurveWindow final : public QWidget {
public:
    // The calibration the gauge holds now; nothing when there is none to show.
    using StoredSource = std::function<std::optional<SegmentModel>()>;
    // The calibration records on the gauge, oldest first. Called on a thread of its own, never the UI
    // thread; it should stop early once the token is requested (the window is closing).
    using RecordsSource = RecordListing::Source;

    // Shows or hides the window from anywhere in the application, the dialog included.
    static constexpr Qt::Key ToggleKey = Qt::Key_F9;
    // A board's screen smaller than this starts with the window hidden.
    static constexpr QSize SmallScreen{1024, 600};

    // `worksheet` outlives the window.
    CurveWindow(const CalibrationWorksheet& worksheet, StoredSource stored, RecordsSource records,
                QWidget* parent = nullptr);
    ~CurveWindow() override;

    // Takes the live signal's fresh values and shows what changed; the timer calls it, tests may too.
    void Refresh();
    // Lets ToggleKey show and hide the window while any window of the application has the focus.
    void InstallToggleKey();
    // Writes the dialog's table as a points file (what `slabcal fit` reads), whole or not at all; empty on
    // success, else one line saying why.
    [[nodiscard]] std::string SaveTableAs(const QString& path) const;
    // Lets the chart yield down to `height` pixels to the findings and tables beneath it (a board's screen).
    void LetChartShrinkTo(int height);
    // One more tab beside the tables (the operator's conditions), which the window then owns.
    void AddTab(QWidget* page, const QString& title);
    // Draws record `index` of the list over the current curve; -1 draws none.
    void ChooseRecord(int index);

    [[nodiscard]] const CurveChart& Chart() const { return *chart; }
    [[nodiscard]] const QTableWidget& PointTable() const { return *pointTable; }
    [[nodiscard]] const QTableWidget& CompareTable() const { return *compareTable; }
    [[nodiscard]] const QListWidget& Findings() const { return *findings; }
    [[nodiscard]] const QLabel& SettleLabel() const { return *settleLabel; }
    [[nodiscard]] const AdviceLine& Advice() const { return *adviceLine; }
    [[nodiscard]] const QListWidget& RecordList() const { return *recordList; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Changed(const WorksheetEvent& event);
    void ShowTable();
    void ShowLive();
    void ShowSettle();
    void ShowRecords(std::vector<ListedRecord> fresh);
    void SaveTable();

    const CalibrationWorksheet& worksheet;
    StoredSource storedSource;
    std::unique_ptr<RecordListing> listing; // lists at start, after every write and whenever shown
    std::vector<ListedRecord> records;
    int chosenRecord = -1;
    LiveSignal::Cursor liveSeen;
    analysis::SettleWindow settle;
    std::optional<SegmentModel> stored;
    bool stale = true; // the table changed while the window was hidden
    CalibrationWorksheet::Subscription subscription;

    CurveChart* chart = nullptr;
    QChartView* chartView = nullptr;
    QSplitter* splitter = nullptr;
    QTableWidget* pointTable = nullptr;
    QTableWidget* compareTable = nullptr;
    QListWidget* findings = nullptr;
    QLabel* settleLabel = nullptr;
    AdviceLine* adviceLine = nullptr;
    QLabel* storedLabel = nullptr;
    QListWidget* recordList = nullptr;
    QTabWidget* tabs = nullptr;
    QTimer* refreshTimer = nullptr;
};

} // namespace slabcal
