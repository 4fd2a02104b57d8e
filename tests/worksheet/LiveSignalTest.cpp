#include "worksheet/LiveSignal.h"

#include <gtest/gtest.h>

namespace slabcal {
namespace {

TEST(LiveSignal, EachValueIsFreshOnceAndALossStartsTheStreamAnew) {
    LiveSignal live;
    LiveSignal::Cursor face;
    EXPECT_EQ(live.Current(), std::nullopt);
    live.Publish(100);
    live.Publish(101);
    EXPECT_EQ(live.Since(face).values, (std::vector<std::uint32_t>{100, 101}));
    EXPECT_TRUE(live.Since(face).values.empty()); // looked again before the next conversion
    live.Publish(102);
    live.Lost();
    EXPECT_EQ(live.Current(), std::nullopt);
    live.Publish(7);
    const auto fresh = live.Since(face);
    EXPECT_TRUE(fresh.lost);
    EXPECT_EQ(fresh.values, (std::vector<std::uint32_t>{7}));
    EXPECT_EQ(live.Current(), 7U);

    // A face that fell far behind gets the newest Capacity values.
    LiveSignal::Cursor late;
    for (std::uint32_t value = 0; value < 3 * LiveSignal::Capacity; ++value)
        live.Publish(value);
    const auto kept = live.Since(late);
    ASSERT_EQ(kept.values.size(), LiveSignal::Capacity);
    EXPECT_EQ(kept.values.back(), 3 * LiveSignal::Capacity - 1);
}

} // namespace
} // namespace slabcal
