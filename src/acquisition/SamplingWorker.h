#pragma once

#include "acquisition/SamplingPacing.h"
#include "acquisition/SamplingView.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <stop_token>
#include <thread>

namespace slabcal {

// Keeps the dialog's signal field live: a thread of its own reads five sample records, shows their average
// and puts the converter on the range of the row being recorded, then pauses 100 ms. A record is one
// conversion, so the cycle is five conversions and the pause: about 110 ms on the gauge's own converter,
// 600 ms on one of 100 ms (hx711), 2.1 s on one of 400 ms (a sigma-delta converter at its default rate).
//
// All operations except the thread's own run on the UI thread. What the thread touches lives in a shared
// state object that the thread co-owns, so a thread that could not be joined in time never touches the
// dialog or this object again.
class SamplingWorker final {
public:
    // `currentRow` is the dialog's row index (-1 to 15), written by the UI thread and read once per cycle:
    // rows up to 6 are measured on the small range, the others on the large range. Neither may be null.
    SamplingWorker(std::shared_ptr<SamplingView> view, std::shared_ptr<std::atomic<int32_t>> currentRow,
                   SamplingPacing pacing = {});
    ~SamplingWorker();

    SamplingWorker(const SamplingWorker&) = delete;
    SamplingWorker& operator=(const SamplingWorker&) = delete;

    // True when a worker thread runs (a new one, or the one already running); false when the thread could
    // not be created. A worker that ended by itself after a failed read is joined and replaced.
    bool StartSampling();
    // True when the worker was running: it has been told to stop and has ended, or, should it not end
    // within the stop timeout, has been let go. False at once when nothing runs.
    bool StopSampling();
    // The end of the dialog's run: StopSampling, but the worker is let go after the shorter end bound.
    bool EndSampling();
    // Button 1008: flips between automatic sampling (a worker runs) and manual mode (none does); returns
    // the new mode, 1 or 0, for the dialog to show.
    int32_t ToggleAutoSampling();

    [[nodiscard]] bool IsRunning() const;
    // 1 in automatic mode (the initial mode), 0 in manual mode. Only the toggle changes it.
    [[nodiscard]] int32_t AutoSampling() const { return autoSampling; }

private:
    struct State;

    static void SamplingLoop(State& state, const std::stop_token& stop);
    static void SampleOnce(State& state, const std::stop_token& stop);
    // Stops the held thread and joins it, or lets it go after `timeout`.
    void ReleaseThread(std::chrono::milliseconds timeout);

    std::shared_ptr<State> state;
    std::thread workerThread;
    std::stop_source workerStop;
    std::future<void> workerEnded;
    int32_t autoSampling = 1;
};

} // namespace slabcal
