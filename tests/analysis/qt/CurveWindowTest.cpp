#include "analysis/qt/CurveWindow.h"
#include "analysis/qt/CurveChart.h"
#include "fitting/TableFit.h"
#include "framework/qt/QtTestSupport.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

#include <cmath>

namespace slabcal {
namespace {

analysis::CalibrationSnapshot MovedRowSnapshot() {
    analysis::CalibrationSnapshot snapshot{test::ModelPoints(), 15, "500", ""};
    snapshot.points[8].height = "330"; // 300 mm recorded 10 % high
    return snapshot;
}

// The window as a new operator meets it after a calibration with one point 10 % off: the chart holds the
// table's points and the fitted lines, and the row is named.
TEST(CurveWindow, ShowsTheTablesPointsAndLinesAndNamesTheMovedRow) {
    const auto snapshot = MovedRowSnapshot();
    CurveWindow window([&snapshot] { return snapshot; }, [] { return SegmentModel{}; });
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
    CurveWindow window([&snapshot] { return snapshot; }, [&stored] { return stored; });
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

} // namespace
} // namespace slabcal
