#pragma once

#include "platform/ConverterContract.h"

#include <array>
#include <cstddef>
#include <span>

namespace slabcal::analysis {

// The last values the converter delivered, and whether the signal has settled enough to be saved. Only
// fresh values count (LiveSignal gives each once): a converter slower than the window's refresh needs as
// many of them as a fast one, however long they take.
//
// Settled means the spread (largest minus smallest of the last Size samples) is at most 0.5 % of their
// mean, or two counts for a small signal, where the last digit alone moves that much. The slopes of the
// segments lie between -0.36 and -0.65 in ln(height) per ln(signal), so a signal off by 0.5 % moves the
// height by at most about 0.33 %: under a tenth of the 5 % the write command questions, so a point saved
// while settled cannot bring its segment near that question by its own noise.
class SettleWindow final {
public:
    static constexpr std::size_t Size = SettleSampleCount; // fresh converter values, however slowly they come
    static constexpr double RelativeLimit = 0.005;
    static constexpr double CountLimit = 2;

    struct State {
        std::size_t count = 0;
        double mean = 0;
        double spread = 0;        // largest minus smallest
        double spreadPercent = 0; // the spread in % of the mean
        double drift = 0;         // mean of the newer half minus mean of the older half
        bool settled = false;
    };

    // A signal that is not a positive finite number (a converter that stopped, a cleared field) starts
    // the window again.
    void Add(double signal);
    void Clear() { count = 0; }
    [[nodiscard]] State Current() const;

private:
    std::array<double, Size> samples{};
    std::size_t next = 0;
    std::size_t count = 0;
};

} // namespace slabcal::analysis
