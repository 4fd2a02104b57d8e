#include "analysis/StoredComparison.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <cmath>

namespace slabcal::analysis {
namespace {

using Range = ConverterRange;

TEST(HeightAt, TheBoundarySignalsPickTheSegment) {
    const SegmentModel model; // ConsRange 4063, 776, 1200, 480
    struct Case {
        Range range;
        double signal;
        std::size_t segment;
    };
    for (const Case c :
         {Case{Range::Small, 9895, 0}, Case{Range::Small, 4063, 0}, Case{Range::Small, 4062, 1},
          Case{Range::Small, 776, 1}, Case{Range::Small, 500, 2}, Case{Range::Large, 5000, 3},
          Case{Range::Large, 700, 4}, Case{Range::Large, 479, 5}}) {
        SCOPED_TRACE(c.signal);
        const auto height = HeightAt(model, c.range, c.signal);
        ASSERT_TRUE(height);
        EXPECT_DOUBLE_EQ(*height,
                         std::exp(model.CurveA[c.segment] * std::log(c.signal) + model.CurveB[c.segment]));
    }
    EXPECT_FALSE(HeightAt(model, Range::Small, 0));
}

TEST(CompareWithStored, ShowsWhatTheWriteWouldChange) {
    const CalibrationPoints points = test::ModelPoints();
    const auto written = ModelToWrite(points);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->ConsRange, (std::array<double, 4>{4140, 797, 1266, 500}));
    EXPECT_EQ(written->CurveA[0], static_cast<double>(-0.6422F)) << "four decimals, as the file holds it";

    // Against itself nothing changes; against no stored file only the new heights are known.
    for (const auto& row : CompareWithStored(points, written)) {
        ASSERT_TRUE(row.differenceMm);
        EXPECT_EQ(*row.differenceMm, 0.0);
    }
    const auto unknown = CompareWithStored(points, std::nullopt);
    ASSERT_EQ(unknown.size(), 15U);
    EXPECT_FALSE(unknown[0].storedHeight);
    EXPECT_NEAR(*unknown[0].newHeight, 40, 0.1);

    // The built-in defaults against the new fit: row 11 (600 mm, 765 counts) falls in segment 4 of both.
    const auto changed = CompareWithStored(points, SegmentModel{});
    EXPECT_NEAR(*changed[11].storedHeight, std::exp(-0.3625 * std::log(765.0) + 8.8041), 1e-9);
    EXPECT_NEAR(*changed[11].differenceMm, *changed[11].newHeight - *changed[11].storedHeight, 1e-12);

    CalibrationPoints incomplete = points;
    incomplete[9].signal.clear();
    EXPECT_FALSE(ModelToWrite(incomplete));
    EXPECT_EQ(CompareWithStored(incomplete, std::nullopt).size(), 14U);
}

} // namespace
} // namespace slabcal::analysis
