#pragma once

#include <cstdint>

namespace slabcal {

// The settled signals before a row's save: how many there were and their experimental standard deviation
// (in signal units), the repeatability of the saved signal. A row typed by hand has none.
struct SignalSpread {
    std::int32_t samples = 0;
    double standardDeviation = 0;

    friend bool operator==(const SignalSpread&, const SignalSpread&) = default;
};

} // namespace slabcal
