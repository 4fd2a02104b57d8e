#include "analysis/CalibrationAnalysis.h"
#include "analysis/SavedRowAdvice.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace slabcal::analysis {
namespace {

using test::ModelPoints;

// The height text of a row moved by a factor, as an operator who set the gauge up wrong would record it.
void MoveHeight(CalibrationPoints& points, int row, double factor) {
    const double height = std::stod(points[static_cast<std::size_t>(row)].height);
    points[static_cast<std::size_t>(row)].height = std::to_string(std::lround(height * factor));
}

// The rows the findings hold to be recorded wrong, most likely first.
std::vector<int> Suspects(const CalibrationAnalysis& analysis) {
    std::vector<int> rows;
    for (const Finding& finding : analysis.findings) {
        if (finding.Suspects())
            rows.insert(rows.end(), finding.rows.begin(), finding.rows.end());
    }
    return rows;
}

bool Contains(const std::vector<int>& rows, int row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

// The table as it stands after rows 0 to `last` were saved.
CalibrationPoints SavedUpTo(const CalibrationPoints& points, int last) {
    CalibrationPoints saved;
    std::copy_n(points.begin(), last + 1, saved.begin());
    return saved;
}

// Nothing is said at any save, nor of the whole table.
TEST(Analyse, AWellRecordedTableRaisesNothing) {
    const CalibrationAnalysis analysis = Analyse(ModelPoints());
    EXPECT_TRUE(analysis.findings.empty());
    ASSERT_EQ(analysis.points.size(), 19U) << "3+3+3+4+3+3 points, boundary rows in two segments";
    for (const PointCheck& point : analysis.points)
        EXPECT_LT(std::fabs(point.deviationPercent), 0.5) << point.row;
    ASSERT_EQ(analysis.boundaries.size(), 4U);
    for (const auto& boundary : analysis.boundaries)
        EXPECT_FALSE(boundary.overLimit) << boundary.row;
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const CalibrationPoints saved = SavedUpTo(ModelPoints(), row);
        EXPECT_TRUE(Analyse(saved).findings.empty()) << row;
        EXPECT_FALSE(SavedRowAdvice(saved, {}, row)) << row;
    }
}

// One row off by 10 % (its height text, or the gauge standing elsewhere): its segment goes over the limit
// and the row is named, first; the line never leaves out the row the per-point table marks as the
// segment's worst, and every row it names is marked there. Leaving each point out of its segment alone
// would name the wrong row in most of these cases.
TEST(Analyse, NamesTheRowThatWasMoved) {
    struct Case {
        const char* name;
        int row;
        const char* height;
        const char* signal; // nullptr: the model's
        const char* line;   // how the first finding begins
    };
    const std::vector<Case> cases{
        {"row 2 recorded as 45 mm", 1, "45", nullptr, "第2行或第1行: 偏离 10."},
        {"row 2 measured at 45 mm", 1, "50", "8246", "第2行或第1行: 偏离 11."},
        {"row 4 recorded as 110 mm", 3, "110", nullptr, "第4行: 偏离 10."},
        {"row 6 recorded as 220 mm", 5, "220", nullptr, "第6行或第7行: 偏离 9."},
        {"row 6 measured at 220 mm", 5, "200", "295", "第6行或第7行: 偏离 9."},
        {"row 9 recorded as 330 mm", 8, "330", nullptr, "第9行: 偏离 10.0 %, 请重新测量"},
        {"row 12 recorded as 540 mm", 11, "540", nullptr, "第12行: 偏离 10.0 %, 请重新测量"},
        {"row 14 recorded as 825 mm", 13, "825", nullptr, "第14行或第15行: 偏离 10."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationPoints points = ModelPoints();
        points[static_cast<std::size_t>(c.row)].height = c.height;
        if (c.signal != nullptr)
            points[static_cast<std::size_t>(c.row)].signal = c.signal;
        const CalibrationAnalysis analysis = Analyse(points);
        ASSERT_FALSE(analysis.findings.empty());
        EXPECT_EQ(analysis.findings[0].text.rfind(c.line, 0), 0U) << analysis.findings[0].text;
        EXPECT_EQ(analysis.findings[0].rows.front(), c.row);
        const std::vector<int> suspects = Suspects(analysis);
        for (const SegmentCheck& segment : analysis.segments) {
            if (segment.overLimit) {
                EXPECT_TRUE(Contains(suspects, segment.worstRow)) << segment.worstRow;
            }
        }
        for (const PointCheck& point : analysis.points) {
            EXPECT_EQ(point.named, std::any_of(analysis.findings.begin(), analysis.findings.end(),
                                               [&point](const Finding& finding) {
                                                   return Contains(finding.rows, point.row);
                                               }))
                << point.row;
        }
    }
}

TEST(Analyse, NamesNoRowWhileTheRangeHasTooFewOthers) {
    CalibrationPoints points = ModelPoints();
    MoveHeight(points, 1, 1.1);
    for (int row = 3; row <= 6; ++row)
        points[static_cast<std::size_t>(row)] = {};
    const CalibrationAnalysis analysis = Analyse(points);
    EXPECT_TRUE(analysis.segments[0].overLimit);
    EXPECT_FALSE(analysis.segments[0].culprit);
    EXPECT_FALSE(analysis.segments[1].fit) << "a segment with a missing row is not fitted";
    EXPECT_EQ(analysis.findings,
              (std::vector<Finding>{{FindingKind::SegmentOverLimit, "第1段偏差过大", {}, 0}}));
}

// A row off by 5 % passes the write command's question; the range as a whole still tells, once its rows
// reach from one end of it to the other. Under the noise a settled reading may carry, nothing is said.
TEST(Analyse, AdvisesOnARowTheQuestionLetsPass) {
    struct Case {
        int row;
        double factor;
        const char* line; // empty: nothing to say
    };
    const std::vector<Case> cases{
        {2, 0.95, "第3行可能偏离 4."},
        {4, 1.05, "第5行可能偏离 5."},
        {8, 1.05, "第9行可能偏离 5.0 %, 建议重新测量"},
        {12, 0.95, "第13行可能偏离 5.0 %, 建议重新测量"},
        {9, 1.015, ""},
        {3, 0.985, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CalibrationPoints points = ModelPoints();
        MoveHeight(points, c.row, c.factor);
        const CalibrationAnalysis analysis = Analyse(points);
        EXPECT_TRUE(std::none_of(analysis.segments.begin(), analysis.segments.end(),
                                 [](const SegmentCheck& segment) { return segment.overLimit; }));
        const auto advice =
            std::find_if(analysis.findings.begin(), analysis.findings.end(),
                         [](const Finding& finding) { return finding.kind == FindingKind::Advice; });
        if (std::string(c.line).empty()) {
            EXPECT_EQ(advice, analysis.findings.end()) << advice->text;
            continue;
        }
        ASSERT_NE(advice, analysis.findings.end());
        EXPECT_EQ(advice->text.rfind(c.line, 0), 0U) << advice->text;
        EXPECT_EQ(advice->rows, std::vector<int>{c.row});
        // Not before the range's last row is saved: a curve through part of it is not carried on.
        const int last = segments::RangeOfRow(c.row) == ConverterRange::Small ? LastSmallRangeRow
                                                                              : CalibrationRowCount - 1;
        EXPECT_TRUE(Suspects(Analyse(SavedUpTo(points, last - 1))).empty());
        EXPECT_EQ(Suspects(Analyse(SavedUpTo(points, last))), std::vector<int>{c.row});
    }
}

TEST(Analyse, FlagsTheChecksTheDialogDoesNotMake) {
    CalibrationPoints points = ModelPoints();
    // The last three rows recorded in reverse: the signal rises with the height.
    std::swap(points[12].signal, points[14].signal);
    RecordedRanges ranges;
    ranges[7] = ConverterRange::Small; // saved right after row 6, before the worker switched
    ranges[3] = ConverterRange::Small;
    const CalibrationAnalysis analysis = Analyse(points, ranges);
    EXPECT_TRUE(analysis.segments[5].slopeNotNegative);
    EXPECT_FALSE(analysis.segments[4].slopeNotNegative);
    EXPECT_EQ(analysis.wrongRangeRows, std::vector<int>{7});
    const auto has = [&analysis](const std::string& line) {
        return std::any_of(analysis.findings.begin(), analysis.findings.end(),
                           [&line](const Finding& finding) { return finding.text == line; });
    };
    EXPECT_TRUE(has("第6段斜率不为负, 可能两行颠倒"));
    EXPECT_TRUE(has("第8行在另一量程上记录, 请重新测量"));

    // A probe whose response bends more than the built-in model's, its 800 mm read on the small range in
    // a points file that does not say so: no segment goes over the limit and the curve cannot judge a row
    // so far off, but no probe gives the slope from 750 mm to it.
    const std::array<const char*, CalibrationRowCount> bent{"11890", "8284", "4628", "2404", "1076",
                                                            "590",   "397",  "8346", "5562", "2839",
                                                            "1662",  "1055", "715",  "600",  "22"};
    for (std::size_t row = 0; row < bent.size(); ++row)
        points[row].signal = bent[row];
    const CalibrationAnalysis unranged = Analyse(points);
    ASSERT_FALSE(unranged.findings.empty());
    EXPECT_EQ(unranged.findings[0].text, "第15行可能偏离 67.8 %, 建议重新测量");
    points[14].signal = "522";
    EXPECT_TRUE(Analyse(points).findings.empty());

    // 400 mm recorded as 420: segment 3 stays under the question's limit, but at row 11's signal it now
    // gives a height 2 % off segment 4's; the range names the row.
    points = ModelPoints();
    points[9].height = "420";
    const CalibrationAnalysis tilted = Analyse(points);
    EXPECT_FALSE(tilted.segments[3].overLimit);
    ASSERT_EQ(tilted.boundaries.size(), 4U);
    EXPECT_EQ(tilted.boundaries[2].row, 10);
    EXPECT_TRUE(tilted.boundaries[2].overLimit);
    EXPECT_FALSE(tilted.boundaries[3].overLimit);
    ASSERT_EQ(tilted.findings.size(), 2U);
    EXPECT_EQ(tilted.findings[0].text, "第10行可能偏离 5.0 %, 建议重新测量");
    EXPECT_EQ(tilted.findings[1].text.rfind("第11行分界处两段高度相差 2.", 0), 0U) << tilted.findings[1].text;
}

// The moment a row is saved, what the rows recorded so far on its range tell of it.
TEST(SavedRowAdvice, SaysAtOnceWhatTheRowsSoFarTell) {
    struct Case {
        const char* name;
        int row; // saved last, after the rows before it
        PointText point;
        bool otherRange; // measured on the other range
        const char* line;
    };
    const std::vector<Case> cases{
        {"probe not moved from 70 mm", 3, {"100", "4140"}, false, "第4行可能偏离 42.9 %, 建议重新测量"},
        {"probe already at 150 mm", 3, {"100", "797"}, false, "第4行可能偏离 33.1 %, 建议重新测量"},
        {"250 mm before the range switched", 7, {"250", "236"}, true, "第8行在另一量程上记录, 请重新测量"},
        {"500 mm recorded as 600, its segment complete",
         10,
         {"600", "1266"},
         false,
         "第11行或第10行: 偏离 20.0 %"},
        {"400 mm 5 % off, too few rows for a curve", 9, {"400", "2048"}, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationPoints points = SavedUpTo(ModelPoints(), c.row);
        points[static_cast<std::size_t>(c.row)] = c.point;
        RecordedRanges ranges;
        for (int row = 0; row <= c.row; ++row)
            ranges[static_cast<std::size_t>(row)] = segments::RangeOfRow(row);
        if (c.otherRange)
            ranges[static_cast<std::size_t>(c.row)] = ConverterRange::Small;
        const auto advice = SavedRowAdvice(points, ranges, c.row);
        if (std::string(c.line).empty()) {
            EXPECT_FALSE(advice) << advice->text;
            continue;
        }
        ASSERT_TRUE(advice);
        EXPECT_EQ(advice->text.rfind(c.line, 0), 0U) << advice->text;
    }
}

} // namespace
} // namespace slabcal::analysis
