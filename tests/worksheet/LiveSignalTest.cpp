#include "worksheet/LiveSignal.h"

#include <gtest/gtest.h>

namespace slabcal {
namespace {

// The newest values for a save's spread: never from before a loss, none while the converter is lost.
TEST(LiveSignal, RecentValuesAreTheNewestSinceTheLastLoss) {
    LiveSignal live;
    EXPECT_TRUE(live.Recent(10).empty());
    for (std::uint32_t value = 1; value <= 15; ++value)
        live.Publish(value);
    EXPECT_EQ(live.Recent(3), (std::vector<std::uint32_t>{13, 14, 15}));
    live.Lost();
    EXPECT_TRUE(live.Recent(10).empty());
    live.Publish(20);
    live.Publish(21);
    EXPECT_EQ(live.Recent(10), (std::vector<std::uint32_t>{20, 21}));
}

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
