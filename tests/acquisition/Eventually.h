#pragma once

#include <chrono>
#include <thread>

namespace slabcal::test {

// Polls `condition` until it holds; false if it still does not after a limit no healthy run comes near.
template <typename Condition> bool Eventually(Condition condition) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace slabcal::test
