#pragma once

#include <chrono>

namespace slabcal {

// How the sampling worker paces itself. The defaults are the instrument's: a cycle is five sample reads,
// one range call and 100 ms of sleep in two halves. Benchmarks and soak runs may shorten them.
struct SamplingPacing {
    std::chrono::milliseconds afterSample{50};    // at the end of each sampling cycle
    std::chrono::milliseconds betweenSamples{50}; // between two cycles
    // The longest StopSampling waits for the worker thread before it lets it go on alone.
    std::chrono::milliseconds stopTimeout{5000};
    // The same at the end of the dialog's run (EndSampling). A worker that runs ends within a cycle; one
    // not ended by then is stuck in a driver call, and the operator, whose window is already gone, and the
    // next program waiting for the device root are not kept waiting for it.
    std::chrono::milliseconds endTimeout{1000};
};

} // namespace slabcal
