#include "analysis/qt/CurveWindow.h"
#include "analysis/qt/CurveChart.h"
#include "fitting/PointsFile.h"
#include "fitting/TableFit.h"
#include "framework/qt/QtTestSupport.h"
#include "storage/WriteSegmentModel.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace slabcal {
namespace {

// How long a test waits for the records' listing, which runs beside the UI thread.
constexpr int WaitMs = 10000;

analysis::CalibrationSnapshot MovedRowSnapshot() {
    analysis::CalibrationSnapshot snapshot{test::ModelPoints(), 15, "500", ""};
    snapshot.points[8].height = "330"; // 300 mm recorded 10 % high
    return snapshot;
}

// The window as a new operator meets it after a calibration with one point 10 % off: the chart holds the
// table's points and the fitted lines, and the row is named.
TEST(CurveWindow, ShowsTheTablesPointsAndLinesAndNamesTheMovedRow) {
    const auto snapshot = MovedRowSnapshot();
    CurveWindow window([&snapshot] { return snapshot; }, [] { return SegmentModel{}; },
                       [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.show();
    window.Refresh();

    const CurveChart& chart = window.Chart();
    ASSERT_EQ(chart.Points().count(), 15);
    for (int row = 0; row < 15; ++row) {
        const auto& point = snapshot.points[static_cast<std::size_t>(row)];
        EXPECT_EQ(chart.Points().at(row), QPointF(std::stod(point.signal), std::stod(point.height))) << row;
    }
    const auto fits = FitTable(snapshot.points);
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
    EXPECT_GT(chart.Stored(segments::Range::Small).count(), 2);
    EXPECT_EQ(chart.Live().count(), 1) << "the live signal on the large range";

    ASSERT_GE(window.Findings().count(), 1);
    EXPECT_TRUE(window.Findings().item(0)->text().startsWith(QString::fromUtf8("第9行: 偏离 ")))
        << window.Findings().item(0)->text().toStdString();
    EXPECT_EQ(window.PointTable().rowCount(), 19);
    EXPECT_EQ(window.CompareTable().rowCount(), 15);
    test::SaveScreenshot(window, "curve-window.png");
}

TEST(CurveWindow, FollowsTheDialogAndItsToggleKey) {
    auto snapshot = MovedRowSnapshot();
    std::optional<SegmentModel> stored; // no parameter file yet
    CurveWindow window([&snapshot] { return snapshot; }, [&stored] { return stored; },
                       [](const std::stop_token&) { return std::vector<ListedRecord>{}; });
    window.InstallToggleKey();
    QWidget dialog; // any other window of the application: the key reaches the filter first
    auto* field = new QLineEdit(&dialog);
    dialog.show();
    QTest::keyClick(field, CurveWindow::ToggleKey);
    EXPECT_TRUE(window.isVisible());
    for (std::size_t k = 0; k < analysis::SettleWindow::Size; ++k)
        window.Refresh();
    EXPECT_TRUE(window.SettleLabel().text().startsWith(QString::fromUtf8("稳定")));
    EXPECT_EQ(window.Chart().Stored(segments::Range::Large).count(), 0);

    // A write: the status line changes and the stored file is read again.
    stored = SegmentModel{};
    snapshot.status = "文件写入完毕";
    snapshot.signal = "";
    window.Refresh();
    EXPECT_GT(window.Chart().Stored(segments::Range::Large).count(), 2);
    EXPECT_TRUE(window.SettleLabel().text().startsWith(QString::fromUtf8("未稳定")));
    EXPECT_EQ(window.Chart().Live().count(), 0);

    QTest::keyClick(&dialog, CurveWindow::ToggleKey);
    EXPECT_FALSE(window.isVisible());
}

// The records tab draws a chosen record over the current curve; the table saves as the file `slabcal fit`
// reads.
TEST(CurveWindow, ComparesWithARecordAndSavesTheTable) {
    const auto snapshot = MovedRowSnapshot();
    CalibrationRecord earlier;
    earlier.points = test::ModelPoints();
    const auto texts = SegmentModelTexts(SegmentModel{});
    for (std::size_t index = 0; index < texts.size(); ++index)
        earlier.values.push_back({std::string(SegmentModelKeys[index]), std::nullopt, texts[index]});
    const std::vector<ListedRecord> records{{"20261207T100000Z.json", earlier},
                                            {"20261207T110000Z.json", RecordError{}}};
    CurveWindow window([&snapshot] { return snapshot; }, [] { return std::nullopt; },
                       [&records](const std::stop_token&) { return records; });
    window.show();
    window.Refresh();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.RecordList().count() == 2; }, WaitMs));
    EXPECT_TRUE(window.RecordList().item(1)->text().contains(QString::fromUtf8("损坏")));
    EXPECT_EQ(window.Chart().RecordPoints().count(), 0);
    window.ChooseRecord(0);
    EXPECT_EQ(window.Chart().RecordPoints().count(), 15);
    EXPECT_GT(window.Chart().RecordCurve(segments::Range::Large).count(), 2);
    window.ChooseRecord(1);
    EXPECT_EQ(window.Chart().RecordPoints().count(), 0) << "a damaged record draws nothing";

    TemporaryFolder folder;
    const std::string path = folder / "points.csv";
    ASSERT_EQ(window.SaveTableAs(QString::fromStdString(path)), "");
    const auto parsed = ParsePointsFile(ReadHostFile(path));
    ASSERT_TRUE(std::holds_alternative<CalibrationPoints>(parsed));
    EXPECT_EQ(std::get<CalibrationPoints>(parsed), snapshot.points);
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
        analysis::CalibrationSnapshot snapshot{test::ModelPoints(), 15, "500", ""};
        snapshot.points[2].signal = c.signal;
        CurveWindow window([&snapshot] { return snapshot; }, [] { return std::nullopt; },
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

// However long the records take to read, the window does not wait for them: they are read beside the UI
// thread when the window is shown and after every write, and appear once read.
TEST(CurveWindow, ReadsTheRecordsBesideTheUiThread) {
    auto snapshot = MovedRowSnapshot();
    const auto uiThread = std::this_thread::get_id();
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<bool> onUiThread = false;
    std::atomic<int> listings = 0;
    std::vector<ListedRecord> records{{"20261207T100000Z.json", RecordError{}}};
    CurveWindow window([&snapshot] { return snapshot; }, [] { return std::nullopt; },
                       [&](const std::stop_token&) {
                           ++listings;
                           std::unique_lock lock(mutex);
                           if (std::this_thread::get_id() == uiThread)
                               onUiThread = true;
                           else
                               released.wait_for(lock, std::chrono::milliseconds(WaitMs),
                                                 [&] { return release; });
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

    // A write: the status line changes, and the new record appears.
    {
        const std::lock_guard lock(mutex);
        records.push_back({"20261207T110000Z.json", RecordError{}});
    }
    EXPECT_EQ(listings, 1);
    snapshot.status = "文件写入完毕";
    window.Refresh();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.RecordList().count() == 2; }, WaitMs));
    EXPECT_EQ(listings, 2);
    EXPECT_FALSE(onUiThread);
}

} // namespace
} // namespace slabcal
