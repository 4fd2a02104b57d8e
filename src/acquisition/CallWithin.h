#pragma once

#include "acquisition/ThreadCensus.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace slabcal {

// Makes `call` on a thread of its own and waits for it at most `deadline`: its result, or nothing when it
// has not returned by then. A driver call can block in the kernel for good (a stuck bus driver), and the
// UI thread must not block with it. A call that returns after the deadline hands its result to `late`
// (e.g. to close what it opened) on its own thread; everything it touches is its own. An exception from
// `call` gives `failure`. When no thread can be started, the call is made here, without a bound.
template <typename Result>
std::optional<Result> CallWithin(std::chrono::milliseconds deadline, Result failure,
                                 std::function<Result()> call, std::function<void(Result)> late = {}) {
    struct Shared {
        std::function<Result()> call;
        std::function<void(Result)> late;
        Result failure;
        std::mutex lock;
        std::condition_variable returned;
        std::optional<Result> result; // guarded by lock
        bool abandoned = false;       // guarded by lock
    };
    const auto shared = std::make_shared<Shared>();
    shared->call = std::move(call);
    shared->late = std::move(late);
    shared->failure = std::move(failure);
    const auto callOnce = [](Shared& state) -> Result {
        try {
            return state.call();
        } catch (...) {
            return state.failure;
        }
    };
    try {
        std::thread([shared, callOnce, census = ThreadCensus()] {
            Result result = callOnce(*shared);
            std::unique_lock guard(shared->lock);
            if (shared->abandoned) {
                guard.unlock();
                try {
                    if (shared->late)
                        shared->late(std::move(result));
                } catch (...) { // nobody is left to tell
                }
                return;
            }
            shared->result = std::move(result);
            shared->returned.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return callOnce(*shared);
    }
    std::unique_lock guard(shared->lock);
    if (!shared->returned.wait_for(guard, deadline, [&] { return shared->result.has_value(); })) {
        shared->abandoned = true;
        return std::nullopt;
    }
    return std::move(shared->result);
}

} // namespace slabcal
