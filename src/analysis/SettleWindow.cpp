#include "analysis/SettleWindow.h"

#include <algorithm>
#include <cmath>

namespace slabcal::analysis {

void SettleWindow::Add(double signal) {
    if (!std::isfinite(signal) || signal <= 0) {
        Clear();
        return;
    }
    if (count == 0)
        next = 0;
    samples[next] = signal;
    next = (next + 1) % Size;
    count = std::min(count + 1, Size);
}

SettleWindow::State SettleWindow::Current() const {
    State state;
    state.count = count;
    if (count == 0)
        return state;
    // Oldest first.
    std::array<double, Size> ordered{};
    for (std::size_t k = 0; k < count; ++k)
        ordered[k] = samples[(next + Size - count + k) % Size];
    const auto shown = std::span(ordered).first(count);
    const auto [smallest, largest] = std::minmax_element(shown.begin(), shown.end());
    double sum = 0;
    for (double value : shown)
        sum += value;
    state.mean = sum / static_cast<double>(count);
    state.spread = *largest - *smallest;
    state.spreadPercent = state.spread / state.mean * 100.0;
    if (count >= 2) {
        const std::size_t half = count / 2;
        double older = 0;
        double newer = 0;
        for (std::size_t k = 0; k < half; ++k) {
            older += shown[k];
            newer += shown[count - half + k];
        }
        state.drift = (newer - older) / static_cast<double>(half);
    }
    state.settled = count == Size && state.spread <= std::max(RelativeLimit * state.mean, CountLimit);
    return state;
}

} // namespace slabcal::analysis
