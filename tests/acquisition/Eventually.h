#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace slabcal::test {

// The longest any test waits for the worker to get somewhere; reaching it means the test has failed.
inline constexpr std::chrono::seconds PatienceLimit{20};

// Looks at `condition` until it holds or `patience` has passed. For conditions nothing notifies about
// (a thread ending, a shared object let go); a failure says how long it waited.
template <typename Condition>
::testing::AssertionResult Eventually(Condition condition,
                                      std::chrono::milliseconds patience = PatienceLimit) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (condition())
            return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() >= deadline)
            return ::testing::AssertionFailure()
                   << "condition still false after " << patience.count() << " ms";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace slabcal::test
