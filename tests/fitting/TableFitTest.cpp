#include "fitting/TableFit.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace slabcal {
namespace {

using test::ModelPoints;

TEST(TableFit, FindsTheFirstRowTheFitRefuses) {
    struct Case {
        const char* name;
        int row;
        const char* signal;
        std::optional<int> invalid;
    };
    const std::vector<Case> cases{
        {"all valid", 0, "9895", std::nullopt},
        {"empty signal", 5, "", 5},
        {"zero", 7, "0", 7},
        {"negative", 3, "-12", 3},
        // Rows 2, 4, 10 and 12 give the file its boundary signals, which must be finite in single precision.
        {"boundary beyond single precision", 4, "1e39", 4},
        {"boundary with a huge integer prefix", 10, "999999999999999999999999999999999999999999", 10},
        {"other row with the same text", 9, "999999999999999999999999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationPoints points = ModelPoints();
        points[static_cast<std::size_t>(c.row)].signal = c.signal;
        EXPECT_EQ(FirstInvalidRow(points), c.invalid);
    }
}

TEST(TableFit, FitsEachSegmentThroughItsOwnRows) {
    CalibrationPoints points = ModelPoints();
    points[1].signal = "5000"; // only segment 0 holds row 1
    points[1].height = "50.9"; // read up to the decimal point
    const auto fits = FitTable(points);
    ASSERT_TRUE(fits[0]);
    EXPECT_EQ(*fits[0], *FitSegment(std::vector<double>{40, 50, 70}, std::vector<double>{9895, 5000, 4140}));
    for (std::size_t segment = 1; segment < fits.size(); ++segment) {
        ASSERT_TRUE(fits[segment]) << segment;
        EXPECT_LT(fits[segment]->maxAbs, 0.01) << segment;
    }
    points[8].signal = points[7].signal = points[9].signal = points[10].signal;
    EXPECT_FALSE(FitTable(points)[3]) << "four equal signals determine no line";
}

TEST(TableFit, BoundarySignalsAreTheSingleRoundedDecimals) {
    CalibrationPoints points = ModelPoints();
    points[4].signal = "1234.567";
    const auto boundaries = BoundarySignals(points);
    EXPECT_EQ(boundaries[0], 4140.0);
    EXPECT_EQ(boundaries[1], 1234.5670166015625);
    EXPECT_EQ(boundaries[2], 1266.0);
    EXPECT_EQ(boundaries[3], 500.0);
}

} // namespace
} // namespace slabcal
