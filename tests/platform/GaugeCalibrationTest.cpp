#include "GaugeTestSupport.h"

#include <array>
#include <cmath>
#include <vector>

namespace slabcal {
namespace {

// The gauge's built-in default segments, as the calibration writes them when nothing was measured.
constexpr std::array<double, 6> DefaultCurveA{-0.6423, -0.4605, -0.3915, -0.3625, -0.3625, -0.3625};
constexpr std::array<double, 6> DefaultCurveB{9.5979, 8.087, 7.6199, 8.8041, 8.8041, 0.0};

constexpr std::array<double, 15> NominalHeights{40,  50,  70,  100, 150, 200, 240, 250,
                                                300, 400, 500, 600, 700, 750, 800};
constexpr std::array<int, 6> FirstRow{0, 2, 4, 7, 10, 12};
constexpr std::array<int, 6> RowCount{3, 3, 3, 4, 3, 3};

// Five records averaged into one signal value the way the acquisition layer's ReadAverage does.
std::uint32_t SignalAt(SimulatedGauge& gauge, double height, bool largeRange) {
    EXPECT_EQ(gauge.IoControl(largeRange ? 9 : 8, nullptr, 0, nullptr), 1);
    EXPECT_TRUE(gauge.SetHeight(height));
    std::uint32_t sum = 0;
    for (int i = 0; i < 5; ++i)
        sum += ReadCounts(gauge);
    return sum / 5 / 1000;
}

struct Line {
    double slope;
    double intercept;
    double worstResidual;
};

Line FitLine(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    Line line{};
    line.slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    line.intercept = (sy - line.slope * sx) / n;
    for (std::size_t i = 0; i < x.size(); ++i)
        line.worstResidual =
            std::max(line.worstResidual, std::abs(y[i] - line.slope * x[i] - line.intercept));
    return line;
}

class GaugeCalibration : public ::testing::Test {
protected:
    void SetUp() override {
        gauge = OpenQuietGauge();
        for (std::size_t row = 0; row < NominalHeights.size(); ++row)
            signals[row] = SignalAt(*gauge, NominalHeights[row], row >= 7);
    }

    std::unique_ptr<SimulatedGauge> gauge;
    std::array<std::uint32_t, 15> signals{};
};

// A noise-free calibration of the simulator must give back the model it simulates: slopes within 0.01 and
// each segment's fitted heights within 1 % of the default model's over its own rows, with no point near the
// 0.05 deviation limit. The margin is for segments 1 and 2: each takes a boundary row from the segment below,
// and the defaults do not meet exactly there (150 mm lies 1.5 % apart in signal on segments 1 and 2); the
// other segments come back within 0.0003. Segment 5 is held against segment 3, whose model the large range
// follows.
TEST_F(GaugeCalibration, NoiseFreeCalibrationReproducesTheDefaultSegments) {
    for (int segment = 0; segment < 6; ++segment) {
        std::vector<double> x;
        std::vector<double> y;
        for (int row = FirstRow[segment]; row < FirstRow[segment] + RowCount[segment]; ++row) {
            x.push_back(std::log(signals[row]));
            y.push_back(std::log(NominalHeights[row]));
        }
        const Line line = FitLine(x, y);

        const int reference = segment == 5 ? 3 : segment;
        EXPECT_NEAR(line.slope, DefaultCurveA[reference], 0.01) << "segment " << segment;
        EXPECT_LT(line.worstResidual, 0.005) << "segment " << segment;
        for (const double lnSignal : x) {
            const double fitted = line.slope * lnSignal + line.intercept;
            const double modelled = DefaultCurveA[reference] * lnSignal + DefaultCurveB[reference];
            EXPECT_NEAR(fitted, modelled, 0.01) << "segment " << segment;
        }
    }
}

} // namespace
} // namespace slabcal
