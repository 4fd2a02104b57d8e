#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace slabcal::test {

// Where a scripted driver call is held, as in a driver that hangs, until the test lets it through.
class Gate final {
public:
    void Close() {
        const std::lock_guard guard(lock);
        closed = true;
    }
    void Open() {
        const std::lock_guard guard(lock);
        closed = false;
        changed.notify_all();
    }
    // Waits while the gate is closed.
    void Pass() {
        std::unique_lock guard(lock);
        ++waiting;
        changed.notify_all();
        changed.wait(guard, [&] { return !closed; });
        --waiting;
    }
    // True once someone is held, false if nobody is within `patience`.
    [[nodiscard]] bool WaitUntilHeld(std::chrono::milliseconds patience) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, patience, [&] { return waiting > 0; });
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    bool closed = false;
    int waiting = 0;
};

// Runs `probe` on a thread of its own while a driver call is held: true when it is done within `patience`.
// `release` lets the held call go afterwards in any case, so a probe that waits for that call fails the
// test instead of hanging it.
inline bool DoneWhileHeld(const std::function<void()>& probe, const std::function<void()>& release,
                          std::chrono::milliseconds patience = std::chrono::seconds(1)) {
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    std::thread prober([&] {
        probe();
        const std::lock_guard guard(lock);
        done = true;
        changed.notify_all();
    });
    bool inTime = false;
    {
        std::unique_lock guard(lock);
        inTime = changed.wait_for(guard, patience, [&] { return done; });
    }
    release();
    prober.join();
    return inTime;
}

} // namespace slabcal::test
