#include "fitting/SegmentFit.h"
#include "fitting/SegmentTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace slabcal {
namespace {

struct FitCase {
    const char* name;
    std::vector<double> heights;
    std::vector<double> signals;
    double slope;
    double intercept;
    double maxAbs;
};

// Hand-checked segments of the first three heights: points from the built-in model reproduce it, a small
// disturbance stays under the question's limit, a large one goes over it.
TEST(FitSegment, FitsTheLineThroughTheLogarithms) {
    const std::vector<FitCase> cases{
        {"model", {40, 50, 70}, {9895, 6991, 4140}, -0.642249, 9.597437, 1.4e-5},
        {"small deviation", {40, 50, 70}, {10000, 7000, 4100}, -0.627762, 9.470492, 0.00048},
        {"large deviation", {40, 50, 70}, {10000, 5000, 4100}, -0.547921, 8.706898, 0.1281},
        {"four points", {250, 300, 400, 500}, {8000, 4000, 2000, 1000}, -0.341504, 8.571922, 0.035690},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fit = FitSegment(c.heights, c.signals);
        ASSERT_TRUE(fit);
        EXPECT_NEAR(fit->slope, c.slope, 5e-7);
        EXPECT_NEAR(fit->intercept, c.intercept, 5e-6);
        EXPECT_NEAR(fit->maxAbs, c.maxAbs, c.maxAbs * 0.05 + 1e-12);
        // The line goes through the mean point, so the heights it gives at the signals average out right.
        double logSum = 0;
        for (std::size_t j = 0; j < c.heights.size(); ++j)
            logSum += fit->slope * std::log(c.signals[j]) + fit->intercept - std::log(c.heights[j]);
        EXPECT_NEAR(logSum, 0.0, 1e-12);
        EXPECT_GE(fit->sumAbs, fit->maxAbs);
    }
}

TEST(FitSegment, RefusesPointsThatDoNotDetermineALine) {
    const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases{
        {{40, 50, 70}, {5000, 5000, 5000}}, // equal signals
        {{40, 0, 70}, {9895, 6991, 4140}},  // a height that is not positive
        {{40, 50, 70}, {9895, -1, 4140}},   // a signal that is not positive
        {{40, 50}, {9895, 6991, 4140}},     // sizes differ
        {{40}, {9895}},                     // one point
        {{1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}}, // more points than a segment has
    };
    for (const auto& [heights, signals] : cases)
        EXPECT_FALSE(FitSegment(heights, signals)) << heights.size() << " heights";
}

// The table the dialog, the analysis and the offline fit all read: every boundary row is the last row
// of one segment and the first of the next, and every row belongs to a segment.
TEST(SegmentTable, BoundaryRowsJoinNeighbouringSegmentsAndEveryRowIsFitted) {
    std::vector<int> seen(15, 0);
    for (std::size_t i = 0; i < segments::Table.size(); ++i) {
        const auto [first, count] = segments::Table[i];
        for (int row = first; row < first + count; ++row)
            ++seen[static_cast<std::size_t>(row)];
        if (i + 1 < segments::Table.size() && segments::Table[i + 1].first == first + count - 1) {
            EXPECT_TRUE(segments::BoundaryIndexOfRow(first + count - 1)) << "segment " << i;
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0);
    for (const int row : segments::BoundaryRows)
        EXPECT_EQ(seen[static_cast<std::size_t>(row)], 2) << "row " << row;
}

} // namespace
} // namespace slabcal
