#pragma once

#include "Eventually.h"
#include "acquisition/SamplingView.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace slabcal::test {

// A view that takes every text at once and remembers what it was given, and from which threads.
class RecordingView : public SamplingView {
protected:
    template <typename Change> void Record(Change change) {
        {
            std::lock_guard guard(lock);
            change();
        }
        changed.notify_all();
    }
    template <typename Predicate> bool WaitUntil(Predicate done) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, PatienceLimit, done);
    }
    template <typename Query> auto Read(Query query) const {
        std::lock_guard guard(lock);
        return query();
    }

public:
    void ShowSignalFromWorker(const std::string& text, std::stop_token) override {
        // Thread ids are reused once a thread is joined; a thread-local mark is new with every thread.
        thread_local bool threadSeen = false;
        Record([&] {
            signals.push_back(text);
            if (!threadSeen)
                ++workerThreads;
            threadSeen = true;
        });
    }
    void ShowRangeErrorFromWorker(std::stop_token) override {
        Record([&] { ++rangeErrors; });
    }
    void ShowConverterLostFromWorker(const std::string&, std::stop_token) override {
        Record([&] { ++converterLosses; });
    }

    // Waits until at least `count` signal values have come in; false if they never do.
    bool WaitForSignals(std::size_t count) {
        return WaitUntil([&] { return signals.size() >= count; });
    }
    bool WaitForRangeErrors(int count) {
        return WaitUntil([&] { return rangeErrors >= count; });
    }

    std::vector<std::string> Signals() const {
        return Read([&] { return signals; });
    }
    int WorkerThreadCount() const {
        return Read([&] { return workerThreads; });
    }
    int RangeErrors() const {
        return Read([&] { return rangeErrors; });
    }
    int ConverterLosses() const {
        return Read([&] { return converterLosses; });
    }

protected:
    mutable std::mutex lock;
    std::condition_variable changed;

private:
    std::vector<std::string> signals;
    int workerThreads = 0;
    int rangeErrors = 0;
    int converterLosses = 0;
};

} // namespace slabcal::test
