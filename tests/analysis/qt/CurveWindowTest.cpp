#include "analysis/qt/CurveWindow.h"
#include "analysis/qt/AdviceLine.h"
#include "analysis/qt/CurveChart.h"
#include "fitting/PointsFile.h"
#include "fitting/TableFit.h"
#include "framework/qt/QtTestSupport.h"
#include "storage/WriteSegmentModel.h"
#include "support/KeepingFace.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace slabcal {
namespace {

// How long a test waits for the records' listing, which runs beside the UI thread.
constexpr int WaitMs = 10000;

// A worksheet that holds `points`, each row saved on its own range, the next save after the last row.
struct Sheet {
    TemporaryFolder folder;
    DeviceFileSystem files{folder.Path()};
    SegmentModel model;
    CalibrationWorksheet worksheet{model, files};
    CalibrationPoints points;

    explicit Sheet(const CalibrationPoints& table) : points(table) {
        std::filesystem::create_directories(folder / "NandFlash");
        WorksheetState state;
        for (int row = 0; row < CalibrationRowCount; ++row)
            state.rows[static_cast<std::size_t>(row)] = {table[static_cast<std::size_t>(row)],
                                                         segments::RangeOfRow(row), std::nullopt};
        state.currentRow = CalibrationRowCount;
        worksheet.Replace(state);
    }
};

// A worksheet nothing was saved on yet, as at the start of a first calibration.
struct FreshSheet {
    TemporaryFolder folder;
    DeviceFileSystem files{folder.Path()};
    SegmentModel model;
    CalibrationWorksheet worksheet{model, files};

    // Saves rows 0 to `last` as the model gives them, one after another.
    void SaveUpTo(int last) {
        const CalibrationPoints points = test::ModelPoints();
        for (int row = 0; row <= last; ++row)
            worksheet.SavePoint(row, points[static_cast<std::size_t>(row)].height,
                                points[static_cast<std::size_t>(row)].signal);
    }
};

CalibrationPoints MovedRowPoints() {
    CalibrationPoints points = test::ModelPoints();
    points[8].height = "330"; // 300 mm recorded 10 % high
    return points;
}

// The window as a new operator meets it after a calibration with one point 10 % off: the chart holds the
// table's points and the fitted lines, and the row is named.
TEST(CurveWindow, ShowsTheTablesPointsAndLinesAndNamesTheMovedRow) {
    Sheet sheet(MovedRowPoints());
    sheet.worksheet.Live()->Publish(500);
    CurveWindow window(
        sheet.worksheet, [] { return SegmentModel{}; },
        [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.show();
    window.Refresh();

    const CurveChart& chart = window.Chart();
    ASSERT_EQ(chart.Points().count(), 15);
    for (int row = 0; row < 15; ++row) {
        const auto& point = sheet.points[static_cast<std::size_t>(row)];
        EXPECT_EQ(chart.Points().at(row), QPointF(std::stod(point.signal), std::stod(point.height))) << row;
    }
    const auto fits = FitTable(sheet.points);
    for (std::size_t segment = 0; segment < fits.size(); ++segment) {
        const QLineSeries& line = chart.Segment(segment);
        ASSERT_EQ(line.count(), 2) << segment;
        for (const QPointF& end : line.points())
            EXPECT_NEAR(std::log(end.y()),
                        fits[segment]->slope * std::log(end.x()) + fits[segment]->intercept, 1e-12);
    }
    EXPECT_EQ(chart.Boundaries().count(), 4);
    ASSERT_EQ(chart.Culprits().count(), 1);
    EXPECT_EQ(chart.Culprits().at(0), QPointF(5180, 330));
    EXPECT_GT(chart.Stored(ConverterRange::Small).count(), 2);
    EXPECT_EQ(chart.Live().count(), 1) << "the live signal on the large range";

    ASSERT_GE(window.Findings().count(), 1);
    EXPECT_TRUE(window.Findings().item(0)->text().startsWith(QString::fromUtf8("第9行: 偏离 ")))
        << window.Findings().item(0)->text().toStdString();
    ASSERT_EQ(window.PointTable().rowCount(), 19);
    // The row named is marked in the per-point table, the others are not.
    for (int index = 0; index < window.PointTable().rowCount(); ++index) {
        const bool named = window.PointTable().item(index, 0)->text() == "9";
        EXPECT_EQ(window.PointTable().item(index, 6)->foreground().color() == QColor(0xc0, 0x10, 0x10), named)
            << index;
    }
    EXPECT_EQ(window.CompareTable().rowCount(), 15);
    test::SaveScreenshot(window, "curve-window.png");
}

TEST(CurveWindow, FollowsTheDialogAndItsToggleKey) {
    Sheet sheet(MovedRowPoints());
    std::optional<SegmentModel> stored; // no parameter file yet
    CurveWindow window(
        sheet.worksheet, [&stored] { return stored; },
        [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.InstallToggleKey();
    QWidget dialog; // any other window of the application: the key reaches the filter first
    auto* field = new QLineEdit(&dialog);
    dialog.show();
    QTest::keyClick(field, CurveWindow::ToggleKey);
    EXPECT_TRUE(window.isVisible());
    for (std::size_t k = 0; k < analysis::SettleWindow::Size; ++k) {
        sheet.worksheet.Live()->Publish(500);
        window.Refresh();
    }
    EXPECT_TRUE(window.SettleLabel().text().startsWith(QString::fromUtf8("稳定")));
    EXPECT_EQ(window.Chart().Stored(ConverterRange::Large).count(), 0);

    // A write: the stored file is read again. The converter is lost: no live signal.
    stored = SegmentModel{};
    test::KeepingFace face;
    ASSERT_EQ(sheet.worksheet.Write(face), WriteOutcome::Stored);
    sheet.worksheet.Live()->Lost();
    QCoreApplication::processEvents();
    window.Refresh();
    EXPECT_GT(window.Chart().Stored(ConverterRange::Large).count(), 2);
    EXPECT_TRUE(window.SettleLabel().text().startsWith(QString::fromUtf8("未稳定")));
    EXPECT_EQ(window.Chart().Live().count(), 0);

    QTest::keyClick(&dialog, CurveWindow::ToggleKey);
    EXPECT_FALSE(window.isVisible());
}

// The records tab draws a chosen record over the current curve; the table saves as the file `slabcal fit`
// reads.
TEST(CurveWindow, ComparesWithARecordAndSavesTheTable) {
    Sheet sheet(MovedRowPoints());
    CalibrationRecord earlier;
    earlier.points = test::ModelPoints();
    const auto texts = SegmentModelTexts(SegmentModel{});
    for (std::size_t index = 0; index < texts.size(); ++index)
        earlier.values.push_back({std::string(SegmentModelKeys[index]), std::nullopt, texts[index]});
    const std::vector<ListedRecord> records{{"20261207T100000Z.json", earlier},
                                            {"20261207T110000Z.json", RecordError{}}};
    CurveWindow window(
        sheet.worksheet, [] { return std::nullopt; }, [&records](const std::stop_token&) { return records; });
    window.show();
    window.Refresh();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.RecordList().count() == 2; }, WaitMs));
    EXPECT_TRUE(window.RecordList().item(1)->text().contains(QString::fromUtf8("损坏")));
    EXPECT_EQ(window.Chart().RecordPoints().count(), 0);
    window.ChooseRecord(0);
    EXPECT_EQ(window.Chart().RecordPoints().count(), 15);
    EXPECT_GT(window.Chart().RecordCurve(ConverterRange::Large).count(), 2);
    window.ChooseRecord(1);
    EXPECT_EQ(window.Chart().RecordPoints().count(), 0) << "a damaged record draws nothing";

    TemporaryFolder folder;
    const std::string path = folder / "points.csv";
    ASSERT_EQ(window.SaveTableAs(QString::fromStdString(path)), "");
    const auto parsed = ParsePointsFile(ReadHostFile(path));
    ASSERT_TRUE(std::holds_alternative<CalibrationPoints>(parsed));
    EXPECT_EQ(std::get<CalibrationPoints>(parsed), sheet.points);
    EXPECT_NE(window.SaveTableAs(QString::fromStdString(folder / "no-folder/points.csv")), "");
}

// The save writes what the calibration reads from each cell and refuses a cell no points file can hold.
TEST(CurveWindow, SavesTheNumbersTheCalibrationReadsOrRefusesWithoutWriting) {
    TemporaryFolder folder;
    const struct {
        const char* signal; // row 3's
        std::string says;   // empty: saved
    } cases[] = {
        {"4140abc", ""},
        {"8.565E+03", "row 3's signal '8.565E+03' is 8565, but the calibration reads it as 8; a points file "
                      "cannot hold it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        CalibrationPoints points = test::ModelPoints();
        points[2].signal = c.signal;
        Sheet sheet(points);
        CurveWindow window(
            sheet.worksheet, [] { return std::nullopt; },
            [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
        window.Refresh();
        const std::string path = folder / (std::string(c.signal) + ".csv");
        EXPECT_EQ(window.SaveTableAs(QString::fromStdString(path)), c.says);
        if (c.says.empty()) {
            EXPECT_NE(ReadHostFile(path).find("\n70,4140\n"), std::string::npos) << ReadHostFile(path);
        } else {
            EXPECT_FALSE(HostFileExists(path));
        }
    }
}

// The advice on the row just saved, at once, beside the findings: ringed on the chart until the row is
// measured again. The advice window beside the dialog says the same and is there only while it does.
TEST(CurveWindow, SaysTheAdviceTheMomentARowIsSaved) {
    FreshSheet sheet;
    CurveWindow window(
        sheet.worksheet, [] { return std::nullopt; },
        [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.show();
    const auto beside = AdviceWindow(sheet.worksheet);
    sheet.SaveUpTo(2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.Advice().text().isEmpty());
    EXPECT_FALSE(beside->isVisible());

    sheet.worksheet.SavePoint(3, "100", "4140"); // the probe still at 70 mm
    QCoreApplication::processEvents();
    EXPECT_EQ(window.Advice().text().toStdString(), "第4行可能偏离 42.9 %, 建议重新测量");
    ASSERT_EQ(window.Chart().Culprits().count(), 1);
    EXPECT_EQ(window.Chart().Culprits().at(0), QPointF(4140, 100));
    EXPECT_TRUE(beside->isVisible());
    EXPECT_EQ(beside->text(), window.Advice().text());
    EXPECT_TRUE(beside->testAttribute(Qt::WA_ShowWithoutActivating));

    sheet.worksheet.SavePoint(3, "100", "1922"); // measured again where it belongs
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.Advice().text().isEmpty());
    EXPECT_EQ(window.Chart().Culprits().count(), 0);
    EXPECT_FALSE(beside->isVisible());
}

// The live marker stands where the rows recorded so far put it, marked as an estimate, with its height and
// signal beside it; it never leaves the axes.
TEST(CurveWindow, ShowsTheLiveMarkerInsideTheAxesFromTheFirstRowsOn) {
    const auto inside = [](const CurveChart& chart, const QPointF& at) {
        return chart.SignalAxis().min() < at.x() && at.x() < chart.SignalAxis().max() &&
               chart.HeightAxis().min() < at.y() && at.y() < chart.HeightAxis().max();
    };
    FreshSheet first;
    first.SaveUpTo(2); // 40, 50 and 70 mm; no stored calibration
    CurveWindow window(
        first.worksheet, [] { return std::nullopt; },
        [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.show();
    for (const std::uint32_t signal : {5500U, 2000U}) {
        SCOPED_TRACE(signal);
        first.worksheet.Live()->Publish(signal);
        window.Refresh();
        const CurveChart& chart = window.Chart();
        EXPECT_EQ(chart.Live().count(), 0);
        ASSERT_EQ(chart.LiveEstimate().count(), 1);
        const QPointF at = chart.LiveEstimate().at(0);
        EXPECT_TRUE(inside(chart, at)) << at.x() << " " << at.y();
        EXPECT_EQ(chart.LiveText(),
                  QString::fromUtf8("预计 %1 mm / 当前 %2").arg(std::lround(at.y())).arg(signal));
    }

    // A complete table and a stored calibration, the probe lifted above the last height.
    Sheet complete(test::ModelPoints());
    CurveWindow after(
        complete.worksheet, [] { return SegmentModel{}; },
        [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    after.show();
    complete.worksheet.Live()->Publish(150);
    after.Refresh();
    ASSERT_EQ(after.Chart().Live().count(), 1);
    EXPECT_GT(after.Chart().Live().at(0).y(), 1000);
    EXPECT_TRUE(inside(after.Chart(), after.Chart().Live().at(0)));
}

// A converter slower than the window's refresh: only its fresh values count, ten of them, however many
// times the window looks; the spread is shown in counts and in % of the signal.
TEST(CurveWindow, SettlesOnTenFreshValuesOfASlowConverter) {
    Sheet sheet(MovedRowPoints());
    CurveWindow window(
        sheet.worksheet, [] { return std::nullopt; },
        [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.show();
    for (std::uint32_t k = 0; k < analysis::SettleWindow::Size; ++k) {
        sheet.worksheet.Live()->Publish(4140 + k % 3);
        for (int poll = 0; poll < 5; ++poll)
            window.Refresh();
        const std::string label = window.SettleLabel().text().toStdString();
        const bool last = k + 1 == analysis::SettleWindow::Size;
        EXPECT_EQ(label.rfind(last ? "稳定" : "未稳定", 0), 0U) << label;
        EXPECT_NE(label.find("新值 " + std::to_string(k + 1) + "/10"), std::string::npos) << label;
    }
    EXPECT_NE(window.SettleLabel().text().toStdString().find("波动 2 (0.05 %)"), std::string::npos)
        << window.SettleLabel().text().toStdString();
}

// However long the records take to read, the window does not wait for them: they are read beside the UI
// thread when the window is shown and after every write, and appear once read.
TEST(CurveWindow, ReadsTheRecordsBesideTheUiThread) {
    Sheet sheet(MovedRowPoints());
    const auto uiThread = std::this_thread::get_id();
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<bool> onUiThread = false;
    std::atomic<int> listings = 0;
    std::vector<ListedRecord> records{{"20261207T100000Z.json", RecordError{}}};
    CurveWindow window(
        sheet.worksheet, [] { return std::nullopt; },
        [&](const std::stop_token&) {
            ++listings;
            std::unique_lock lock(mutex);
            if (std::this_thread::get_id() == uiThread)
                onUiThread = true;
            else
                released.wait_for(lock, std::chrono::milliseconds(WaitMs), [&] { return release; });
            return records;
        });
    window.Refresh(); // hidden: nothing is read yet
    window.show();
    EXPECT_FALSE(onUiThread) << "the records were read on the UI thread";
    EXPECT_EQ(window.RecordList().count(), 0) << "shown before they were read";
    {
        const std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.RecordList().count() == 1; }, WaitMs));

    // A write, and the new record appears.
    {
        const std::lock_guard lock(mutex);
        records.push_back({"20261207T110000Z.json", RecordError{}});
    }
    EXPECT_EQ(listings, 1);
    test::KeepingFace face;
    ASSERT_EQ(sheet.worksheet.Write(face), WriteOutcome::Stored);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.RecordList().count() == 2; }, WaitMs));
    EXPECT_EQ(listings, 2);
    EXPECT_FALSE(onUiThread);
}

} // namespace
} // namespace slabcal

namespace slabcal {
namespace {

// With only rows 1–3 recorded (no decade of either axis in view) both axes carry numbers, the heights
// those of the rows; the six segments share one legend entry; the ring's red is no segment's colour.
TEST(CurveChart, LabelsTheRecordedHeightsAndKeepsTheRingsRedToItself) {
    CalibrationPoints firstRows = test::ModelPoints();
    for (std::size_t row = 3; row < firstRows.size(); ++row)
        firstRows[row] = {};
    Sheet sheet(firstRows);
    CurveWindow window(
        sheet.worksheet, [] { return std::nullopt; },
        [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.resize(800, 480);
    window.show();
    window.Refresh();
    QCoreApplication::processEvents();
    const CurveChart& chart = window.Chart();

    const QStringList heights = chart.HeightTicks().categoriesLabels();
    for (std::size_t row = 0; row < 3; ++row)
        EXPECT_TRUE(heights.contains(QString::fromStdString(firstRows[row].height)))
            << heights.join(' ').toStdString();
    EXPECT_GE(chart.SignalTicks().categoriesLabels().size(), 2);

    int segmentEntries = 0;
    for (std::size_t segment = 0; segment < segments::Count; ++segment) {
        const QColor colour = chart.Segment(segment).pen().color();
        const QColor ring = chart.Culprits().color();
        const int apart =
            std::max({std::abs(colour.red() - ring.red()), std::abs(colour.green() - ring.green()),
                      std::abs(colour.blue() - ring.blue())});
        EXPECT_GE(apart, 96) << "segment " << segment + 1;
        segmentEntries += chart.legend()->markers(&chart.Segment(segment)).first()->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(segmentEntries, 1);
}

} // namespace
} // namespace slabcal
