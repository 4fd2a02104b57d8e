#include "analysis/LiveHeight.h"
#include "analysis/StoredComparison.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace slabcal::analysis {
namespace {

// Where the live marker stands during a first calibration and after it.
TEST(LiveHeightAt, FollowsTheRowsRecordedSoFarWithinReason) {
    const CalibrationPoints full = test::ModelPoints();
    CalibrationPoints firstThree; // 40, 50 and 70 mm
    std::copy_n(full.begin(), 3, firstThree.begin());
    CalibrationPoints only250;
    only250[7] = full[7];
    const SegmentModel builtIn;
    const auto line = [](double height, double signal, double slope, double at) {
        return height * std::pow(at / signal, slope);
    };
    const double slope50to70 = std::log(70.0 / 50) / std::log(4140.0 / 6991);
    struct Case {
        const char* name;
        const CalibrationPoints& points;
        bool stored;
        ConverterRange range;
        double signal;
        std::optional<double> height; // nothing: no marker
        bool estimate;
    };
    const std::vector<Case> cases{
        {"between two rows", firstThree, false, ConverterRange::Small, 5500,
         line(50, 6991, slope50to70, 5500), true},
        {"beyond them, along the last two", firstThree, false, ConverterRange::Small, 2500,
         line(70, 4140, slope50to70, 2500), true},
        {"further than a factor 3 beyond them", firstThree, false, ConverterRange::Small, 1300, std::nullopt,
         false},
        {"… where a stored calibration answers", firstThree, true, ConverterRange::Small, 1300,
         HeightAt(builtIn, ConverterRange::Small, 1300), false},
        {"one row: the built-in slope through it", only250, false, ConverterRange::Large, 7000,
         line(250, 8566, builtIn.CurveA[3], 7000), true},
        {"no row on the range", firstThree, false, ConverterRange::Large, 7000, std::nullopt, false},
        {"no signal", firstThree, true, ConverterRange::Small, 0, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto live = LiveHeightAt(c.points, ModelToWrite(c.points),
                                       c.stored ? std::optional(builtIn) : std::nullopt, c.range, c.signal);
        ASSERT_EQ(live.has_value(), c.height.has_value());
        if (!live)
            continue;
        EXPECT_NEAR(live->height, *c.height, *c.height * 1e-9);
        EXPECT_EQ(live->estimate, c.estimate);
    }
    // A complete table: the height the write would store.
    const auto written = ModelToWrite(full);
    ASSERT_TRUE(written);
    const auto live = LiveHeightAt(full, written, std::nullopt, ConverterRange::Large, 1000);
    ASSERT_TRUE(live);
    EXPECT_EQ(live->height, *HeightAt(*written, ConverterRange::Large, 1000));
    EXPECT_FALSE(live->estimate);
}

} // namespace
} // namespace slabcal::analysis
