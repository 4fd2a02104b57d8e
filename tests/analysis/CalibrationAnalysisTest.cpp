#include "analysis/CalibrationAnalysis.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(Analyse, AWellRecordedTableRaisesNothing) {
    const CalibrationAnalysis analysis = Analyse(ModelPoints());
    EXPECT_TRUE(analysis.findings.empty());
    ASSERT_EQ(analysis.points.size(), 19U) << "3+3+3+4+3+3 points, boundary rows in two segments";
    for (const PointCheck& point : analysis.points)
        EXPECT_LT(std::fabs(point.deviationPercent), 0.5) << point.row;
    ASSERT_EQ(analysis.boundaries.size(), 4U);
    for (const auto& boundary : analysis.boundaries)
        EXPECT_FALSE(boundary.overLimit) << boundary.row;
}

// One point of a three-point segment moved by 10 %: the segment goes over the limit and that row is named.
// Leaving each point out of the segment alone would name the wrong row in every one of these cases.
TEST(Analyse, NamesTheRowThatWasMoved) {
    struct Case {
        int row;
        double factor;
        int segment;
        const char* message;
        bool clear; // the small range's kinks leave a second row nearly as likely
    };
    const std::vector<Case> cases{
        {3, 1.1, 1, "第4行或第5行: 偏离 ", false}, {5, 0.9, 2, "第6行或第7行: 偏离 ", false},
        {8, 1.1, 3, "第9行: 偏离 ", true},         {11, 0.9, 4, "第12行: 偏离 ", true},
        {13, 1.1, 5, "第14行: 偏离 ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        CalibrationPoints points = ModelPoints();
        MoveHeight(points, c.row, c.factor);
        const CalibrationAnalysis analysis = Analyse(points);
        const SegmentCheck& segment = analysis.segments[static_cast<std::size_t>(c.segment)];
        ASSERT_TRUE(segment.overLimit);
        ASSERT_TRUE(segment.culprit);
        EXPECT_EQ(segment.culprit->row, c.row);
        EXPECT_EQ(!segment.culprit->alternative, c.clear);
        EXPECT_NEAR(std::fabs(segment.culprit->deviationPercent), 10.0, 2.5);
        EXPECT_EQ(segment.worstRow, c.row);
        ASSERT_FALSE(analysis.findings.empty());
        EXPECT_EQ(analysis.findings[0].rfind(c.message, 0), 0U) << analysis.findings[0];
        EXPECT_NE(analysis.findings[0].find(" %, 请重新测量"), std::string::npos);
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
    EXPECT_EQ(analysis.findings, std::vector<std::string>{"第1段偏差过大"});
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
        return std::find(analysis.findings.begin(), analysis.findings.end(), line) != analysis.findings.end();
    };
    EXPECT_TRUE(has("第6段斜率不为负, 可能两行颠倒"));
    EXPECT_TRUE(has("第8行在另一量程上记录, 请重新测量"));

    // 400 mm recorded as 420: segment 3 stays under the question's limit, but at row 11's signal it now
    // gives a height 2 % off segment 4's.
    points = ModelPoints();
    points[9].height = "420";
    const CalibrationAnalysis tilted = Analyse(points);
    EXPECT_FALSE(tilted.segments[3].overLimit);
    ASSERT_EQ(tilted.boundaries.size(), 4U);
    EXPECT_EQ(tilted.boundaries[2].row, 10);
    EXPECT_TRUE(tilted.boundaries[2].overLimit);
    EXPECT_FALSE(tilted.boundaries[3].overLimit);
    EXPECT_EQ(tilted.findings.size(), 1U);
    EXPECT_EQ(tilted.findings[0].rfind("第11行分界处两段高度相差 2.", 0), 0U) << tilted.findings[0];
}

} // namespace
} // namespace slabcal::analysis
