#include "GaugeTestSupport.h"
#include "fitting/SegmentFit.h"
#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"

#include <array>
#include <cmath>
#include <vector>

namespace slabcal {
namespace {

// The gauge's built-in model, as the calibration writes it when nothing was measured.
const SegmentModel BuiltIn{};

constexpr std::array<double, 15> NominalHeights{40,  50,  70,  100, 150, 200, 240, 250,
                                                300, 400, 500, 600, 700, 750, 800};

// Five records averaged into one signal value the way the acquisition layer's ReadAverage does.
std::uint32_t SignalAt(SimulatedGauge& gauge, double height, bool largeRange) {
    EXPECT_EQ(gauge.IoControl(largeRange ? 9 : 8, nullptr, 0, nullptr), 1);
    EXPECT_TRUE(gauge.SetHeight(height));
    std::uint32_t sum = 0;
    for (int i = 0; i < 5; ++i)
        sum += ReadCounts(gauge);
    return sum / 5 / 1000;
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
    for (std::size_t segment = 0; segment < segments::Table.size(); ++segment) {
        const auto [first, count] = segments::Table[segment];
        std::vector<double> heights;
        std::vector<double> measured;
        for (int row = first; row < first + count; ++row) {
            heights.push_back(NominalHeights[static_cast<std::size_t>(row)]);
            measured.push_back(signals[static_cast<std::size_t>(row)]);
        }
        const auto line = FitSegment(heights, measured);
        ASSERT_TRUE(line) << "segment " << segment;

        const std::size_t reference = segment == 5 ? 3 : segment;
        EXPECT_NEAR(line->slope, BuiltIn.CurveA[reference], 0.01) << "segment " << segment;
        EXPECT_LT(line->maxAbs, 0.005) << "segment " << segment;
        for (const double signal : measured) {
            const double fitted = line->slope * std::log(signal) + line->intercept;
            const double modelled = BuiltIn.CurveA[reference] * std::log(signal) + BuiltIn.CurveB[reference];
            EXPECT_NEAR(fitted, modelled, 0.01) << "segment " << segment;
        }
    }
}

} // namespace
} // namespace slabcal
