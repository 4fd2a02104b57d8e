#include "analysis/SettleWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace slabcal::analysis {
namespace {

TEST(SettleWindow, SettledOnlyOnAFullSecondWithinTheSpread) {
    struct Case {
        const char* name;
        std::vector<double> signals;
        bool settled;
    };
    std::vector<double> noisy;
    std::vector<double> drifting;
    for (int k = 0; k < 12; ++k) {
        noisy.push_back(4140 + ((k % 3) - 1) * 5.0); // ±0.12 %
        drifting.push_back(4140 * (1 + 0.001 * k));  // 1.1 % over the last ten
    }
    const std::vector<Case> cases{
        {"steady with noise", noisy, true},
        {"drifting", drifting, false},
        {"not a second yet", {4140, 4140, 4140}, false},
        {"small signal, last digit", {236, 237, 236, 235, 236, 237, 236, 236, 235, 237}, true},
        {"converter stopped in between", {4140, 4140, 4140, 4140, 4140, 0, 4140, 4140, 4140, 4140}, false},
        {"one spike", {4140, 4140, 4140, 4140, 4140, 4400, 4140, 4140, 4140, 4140}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettleWindow window;
        for (double signal : c.signals)
            window.Add(signal);
        EXPECT_EQ(window.Current().settled, c.settled);
    }
    SettleWindow window;
    for (double signal : drifting)
        window.Add(signal);
    const auto state = window.Current();
    EXPECT_NEAR(state.drift, 4140 * 0.005, 0.5) << "newer half minus older half: five steps of 0.1 %";
    EXPECT_NEAR(state.spread, 4140 * 0.009, 0.5);
    EXPECT_NEAR(state.spreadPercent, state.spread / state.mean * 100, 1e-12);
}

} // namespace
} // namespace slabcal::analysis
