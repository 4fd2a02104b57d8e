#include "acquisition/SamplingWorker.h"

#include "acquisition/AdcDevice.h"
#include "acquisition/ThreadCensus.h"
#include "platform/ConverterContract.h"

#include <cassert>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

namespace slabcal {

struct SamplingWorker::State {
    State(std::shared_ptr<SamplingView> shownBy, std::shared_ptr<std::atomic<int32_t>> rowRead,
          SamplingPacing timing)
        : view(std::move(shownBy)), currentRow(std::move(rowRead)), pacing(timing) {}

    // Cleared by StopSampling and by the worker itself after a failed read.
    std::atomic<bool> running{false};
    // Keeps the averaged reads of two workers apart when a worker that was let go still finishes a cycle.
    std::mutex deviceLock;
    uint32_t signalValue = 0; // guarded by deviceLock
    const std::shared_ptr<SamplingView> view;
    const std::shared_ptr<std::atomic<int32_t>> currentRow;
    const SamplingPacing pacing;
};

namespace {

constexpr int32_t SamplesPerValue = 5;

// Sleeps, but wakes at once when the worker is told to stop, so a stop never waits out the pacing.
void Pause(std::chrono::milliseconds duration, const std::stop_token& stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, duration, [] { return false; });
}

} // namespace

SamplingWorker::SamplingWorker(std::shared_ptr<SamplingView> view,
                               std::shared_ptr<std::atomic<int32_t>> currentRow, SamplingPacing pacing)
    : state(std::make_shared<State>(std::move(view), std::move(currentRow), pacing)) {
    assert(state->view && state->currentRow);
}

SamplingWorker::~SamplingWorker() {
    state->running.store(false);
    ReleaseThread(state->pacing.stopTimeout);
}

bool SamplingWorker::StartSampling() {
    if (state->running.load())
        return true;
    // A worker that ended by itself is past its last read; it must be gone before the flag is set again,
    // or it would see the flag and loop beside the new one.
    ReleaseThread(state->pacing.stopTimeout);

    state->running.store(true);
    std::stop_source stop;
    std::promise<void> ended;
    std::future<void> endedFuture = ended.get_future();
    try {
        workerThread = std::thread([shared = state, token = stop.get_token(), done = std::move(ended),
                                    census = ThreadCensus()]() mutable {
            SamplingLoop(*shared, token);
            shared.reset();
            done.set_value();
        });
    } catch (const std::system_error&) {
        state->running.store(false);
        return false;
    }
    workerStop = std::move(stop);
    workerEnded = std::move(endedFuture);
    return true;
}

bool SamplingWorker::StopSampling() {
    if (!state->running.exchange(false))
        return false;
    ReleaseThread(state->pacing.stopTimeout);
    return true;
}

bool SamplingWorker::EndSampling() {
    if (!state->running.exchange(false))
        return false;
    ReleaseThread(state->pacing.endTimeout);
    return true;
}

void SamplingWorker::ReleaseThread(std::chrono::milliseconds timeout) {
    if (!workerThread.joinable())
        return;
    // The token also abandons a text update or message box the worker is waiting on, so the wait below is
    // normally over within one cycle; the timeout only guards against a view that ignores the token.
    workerStop.request_stop();
    if (workerEnded.wait_for(timeout) == std::future_status::ready)
        workerThread.join();
    else
        workerThread.detach();
}

int32_t SamplingWorker::ToggleAutoSampling() {
    autoSampling = autoSampling == 0 ? 1 : 0;
    if (autoSampling == 1)
        StartSampling();
    else
        StopSampling();
    return autoSampling;
}

bool SamplingWorker::IsRunning() const {
    return state->running.load();
}

void SamplingWorker::SamplingLoop(State& state, const std::stop_token& stop) {
    // A worker that was told to stop ends even if a newer worker has set the flag again meanwhile.
    try {
        while (state.running.load() && !stop.stop_requested()) {
            SampleOnce(state, stop);
            Pause(state.pacing.betweenSamples, stop);
        }
    } catch (...) {
        // An exception leaving the thread would end the process with the recorded points; the worker
        // ends as it does when a read fails.
        if (!stop.stop_requested())
            state.running.store(false);
    }
}

void SamplingWorker::SampleOnce(State& state, const std::stop_token& stop) {
    if (!state.running.load() || stop.stop_requested())
        return;

    AdResult result = AdOk;
    uint32_t value = 0;
    {
        std::lock_guard guard(state.deviceLock);
        result = ReadAverage(&state.signalValue, SamplesPerValue);
        value = state.signalValue;
    }
    if (result != AdOk) {
        // The converter has gone away: stop without a message. A worker already told to stop leaves the
        // flag alone, as it may belong to a newer worker by now. A read that failed on an open converter
        // (a bus glitch, a pulled cable) must not leave its last number on show as if it were live: a
        // point saved now would record it for the new height.
        if (!stop.stop_requested()) {
            state.running.store(false);
            if (result == AdReadError)
                state.view->ShowConverterLostFromWorker(ConverterProblem(), stop);
        }
        return;
    }

    state.view->ShowSignalFromWorker(std::to_string(value), stop);
    if (stop.stop_requested())
        return;

    // Selected after the reads, so the range applies from the next cycle on.
    const AdResult range = RangeOfRow(state.currentRow->load()) == ConverterRange::Small ? SelectSmallRange()
                                                                                         : SelectLargeRange();
    if (range != AdOk)
        state.view->ShowRangeErrorFromWorker(stop);

    Pause(state.pacing.afterSample, stop);
}

} // namespace slabcal
