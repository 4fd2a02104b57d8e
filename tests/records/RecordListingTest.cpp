#include "records/RecordListing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace slabcal {
namespace {

using namespace std::chrono_literals;

// Requests made while a listing runs come to one more listing after it, each list delivered whole and in
// order; the owner going stops a listing under way, and nothing is delivered after. Each listing waits at
// a gate the test opens and gives as many records as listings had begun.
TEST(RecordListing, CoalescesRequestsDeliversInOrderAndStopsWithItsOwner) {
    std::mutex mutex;
    std::condition_variable_any changed;
    bool open = false;
    bool sawStop = false;
    std::size_t started = 0;
    std::vector<std::size_t> delivered;
    const auto until = [&](auto condition) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, condition);
    };
    auto listing = std::make_unique<RecordListing>(
        [&](const std::stop_token& stop) {
            std::unique_lock lock(mutex);
            const std::size_t number = ++started;
            changed.notify_all();
            changed.wait_for(lock, stop, 10s, [&] { return open; });
            sawStop = stop.stop_requested();
            return std::vector<ListedRecord>(number, {"", RecordError{}});
        },
        [&](std::vector<ListedRecord> records) {
            const std::lock_guard lock(mutex);
            delivered.push_back(records.size());
            changed.notify_all();
        });

    listing->Request();
    ASSERT_TRUE(until([&] { return started == 1; }));
    for (int request = 0; request < 3; ++request)
        listing->Request();
    {
        const std::lock_guard lock(mutex);
        open = true;
    }
    changed.notify_all();
    ASSERT_TRUE(until([&] { return delivered.size() == 2; }));

    {
        const std::lock_guard lock(mutex);
        open = false;
    }
    listing->Request();
    ASSERT_TRUE(until([&] { return started == 3; }));
    listing.reset();
    const std::lock_guard lock(mutex);
    EXPECT_EQ(started, 3U) << "the three requests during the first listing made one more";
    EXPECT_TRUE(sawStop) << "the listing under way was not told to stop";
    EXPECT_EQ(delivered, (std::vector<std::size_t>{1, 2})) << "out of order, or a stopped listing delivered";
}

} // namespace
} // namespace slabcal
