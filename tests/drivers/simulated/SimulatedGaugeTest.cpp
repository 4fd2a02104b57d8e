#include "GaugeTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <set>
#include <thread>
#include <vector>

namespace slabcal {
namespace {

int Code(SimulatedGauge& gauge, std::uint32_t code) {
    return gauge.IoControl(code, nullptr, 0, nullptr);
}

std::vector<std::uint32_t> ReadMany(SimulatedGauge& gauge, int count) {
    std::vector<std::uint32_t> counts;
    for (int i = 0; i < count; ++i)
        counts.push_back(ReadCounts(gauge));
    return counts;
}

TEST(SimulatedGaugeResponse, SignalFallsWithHeightOnEachRange) {
    auto gauge = OpenQuietGauge();
    // From just above the heights where the converter saturates to beyond the calibrated bands.
    for (const auto& [rangeCode, lowest] : {std::pair{8u, 30.0}, std::pair{9u, 200.0}}) {
        ASSERT_EQ(Code(*gauge, rangeCode), 1);
        std::uint32_t previous = SimulatedGauge::MaxCounts;
        for (double height = lowest; height <= 900; height += 5) {
            ASSERT_TRUE(gauge->SetHeight(height));
            const std::uint32_t counts = ReadCounts(*gauge);
            EXPECT_LT(counts, previous) << "range code " << rangeCode << " at " << height << " mm";
            previous = counts;
        }
    }
}

// Expected counts worked out by hand from the default segments: 1000 * exp((ln h - CurveB) / CurveA), with
// segment 1 answering up to 151.8 mm, so 150 mm is on segment 1 and 200 mm on segment 2.
TEST(SimulatedGaugeResponse, NoiseFreeCountsFollowTheDefaultSegments) {
    auto gauge = OpenQuietGauge();
    const std::vector<std::pair<double, std::uint32_t>> small{{40, 9894980}, {50, 6990935}, {70, 4140262},
                                                              {150, 796708}, {200, 376143}, {240, 236103}};
    for (const auto& [height, expected] : small) {
        ASSERT_TRUE(gauge->SetHeight(height));
        EXPECT_EQ(ReadCounts(*gauge), expected) << height << " mm, small range";
    }
    ASSERT_EQ(Code(*gauge, 9), 1);
    const std::vector<std::pair<double, std::uint32_t>> large{{250, 8565999}, {500, 1265757}, {800, 346147}};
    for (const auto& [height, expected] : large) {
        ASSERT_TRUE(gauge->SetHeight(height));
        EXPECT_EQ(ReadCounts(*gauge), expected) << height << " mm, large range";
    }
}

TEST(SimulatedGaugeResponse, RangeCodesSwitchTheResponse) {
    auto gauge = OpenQuietGauge();
    ASSERT_TRUE(gauge->SetHeight(250));
    const std::uint32_t powerUp = ReadCounts(*gauge);

    ASSERT_EQ(Code(*gauge, 9), 1);
    const std::uint32_t large = ReadCounts(*gauge);
    EXPECT_NE(large, powerUp);
    EXPECT_EQ(gauge->CurrentStatus().range, ConverterRange::Large);

    ASSERT_EQ(Code(*gauge, 8), 1);
    EXPECT_EQ(ReadCounts(*gauge), powerUp) << "the gauge powers up on the small range";

    ASSERT_EQ(Code(*gauge, 9), 1);
    ASSERT_NE(Code(*gauge, 14), 0);
    EXPECT_EQ(ReadCounts(*gauge), powerUp) << "initialisation returns to the small range";
}

TEST(SimulatedGaugeResponse, CountsStayWithin24Bits) {
    auto gauge = OpenQuietGauge();
    ASSERT_TRUE(gauge->SetNoise(1));
    ASSERT_TRUE(gauge->SetHeight(0));
    for (const auto counts : ReadMany(*gauge, 50))
        EXPECT_LE(counts, SimulatedGauge::MaxCounts);
    EXPECT_EQ(gauge->CurrentStatus().lastCounts, ReadCounts(*gauge));

    ASSERT_TRUE(gauge->SetNoise(0));
    EXPECT_EQ(ReadCounts(*gauge), SimulatedGauge::MaxCounts);
    ASSERT_TRUE(gauge->SetHeight(1e12));
    EXPECT_EQ(ReadCounts(*gauge), 0u);
}

TEST(SimulatedGaugeRecord, CodesAnswerAsTheDriverContractSays) {
    auto gauge = OpenQuietGauge();
    EXPECT_EQ(Code(*gauge, 14), 1);
    EXPECT_EQ(Code(*gauge, 9), 1);
    EXPECT_EQ(Code(*gauge, 8), 1);
    for (const std::uint32_t unknown : {0u, 7u, 10u, 11u, 13u, 15u, 0xFFFFFFFFu})
        EXPECT_EQ(Code(*gauge, unknown), 0) << unknown;

    std::array<std::uint8_t, 6> buffer{};
    buffer.fill(0xEE);
    std::uint32_t bytesReturned = 99;
    EXPECT_EQ(gauge->IoControl(12, buffer.data(), 4, &bytesReturned), 0);
    EXPECT_EQ(bytesReturned, 0u);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(gauge->IoControl(12, nullptr, 5, &bytesReturned), 0);

    EXPECT_EQ(gauge->IoControl(12, buffer.data(), 6, &bytesReturned), 1);
    EXPECT_EQ(bytesReturned, 5u);
    EXPECT_EQ(buffer[5], 0xEE) << "only five bytes are written";
    EXPECT_EQ(CountsOf({buffer[0], buffer[1], buffer[2], buffer[3], buffer[4]}), 9894980u);
    EXPECT_EQ(gauge->CurrentStatus().lastCounts, 9894980u);
}

TEST(SimulatedGaugeOpen, OpenIsExclusive) {
    SimulatedGauge gauge;
    ASSERT_TRUE(gauge.Open());
    EXPECT_FALSE(gauge.Open());
    EXPECT_TRUE(gauge.CurrentStatus().open);
    gauge.Close();
    EXPECT_FALSE(gauge.CurrentStatus().open);
    EXPECT_TRUE(gauge.Open());
}

TEST(SimulatedGaugeOpen, ClosedGaugeAnswersNothing) {
    SimulatedGauge gauge;
    std::array<std::uint8_t, 5> record{};
    EXPECT_EQ(gauge.IoControl(14, nullptr, 0, nullptr), 0);
    EXPECT_EQ(gauge.IoControl(9, nullptr, 0, nullptr), 0);
    EXPECT_EQ(gauge.IoControl(12, record.data(), 5, nullptr), 0);
    EXPECT_EQ(gauge.CurrentStatus().range, ConverterRange::Small);
}

TEST(SimulatedGaugeNoise, SameSeedGivesTheSameRecords) {
    auto first = OpenQuietGauge();
    auto second = OpenQuietGauge();
    for (auto* gauge : {first.get(), second.get()}) {
        ASSERT_TRUE(gauge->SetNoise(0.01));
        gauge->SetSeed(7);
    }
    const auto sequence = ReadMany(*first, 20);
    EXPECT_EQ(ReadMany(*second, 20), sequence);
    EXPECT_GT(std::set<std::uint32_t>(sequence.begin(), sequence.end()).size(), 15u) << "noise is applied";

    ReadCounts(*first); // leaves a spare normal value behind, which reseeding must discard
    first->SetSeed(7);
    EXPECT_EQ(ReadMany(*first, 20), sequence);
    first->SetSeed(8);
    EXPECT_NE(ReadMany(*first, 20), sequence);
}

TEST(SimulatedGaugeNoise, NoiseIsRelativeToTheSignal) {
    auto gauge = OpenQuietGauge();
    ASSERT_TRUE(gauge->SetNoise(0.01));
    gauge->SetSeed(3);
    for (const double height : {40.0, 240.0}) {
        ASSERT_TRUE(gauge->SetHeight(height));
        const double exact = GaugeResponse(height, ConverterRange::Small);
        double sum = 0;
        double sumSquares = 0;
        const int count = 4000;
        for (const auto counts : ReadMany(*gauge, count)) {
            const double relative = counts / exact - 1;
            sum += relative;
            sumSquares += relative * relative;
        }
        const double mean = sum / count;
        const double sigma = std::sqrt(sumSquares / count - mean * mean);
        EXPECT_NEAR(mean, 0, 0.001) << height << " mm";
        EXPECT_NEAR(sigma, 0.01, 0.001) << height << " mm";
    }
}

TEST(SimulatedGaugeNoise, NoiseFreeRecordsAreIdentical) {
    auto gauge = OpenQuietGauge();
    ASSERT_TRUE(gauge->SetHeight(123.4));
    const auto counts = ReadMany(*gauge, 10);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), counts.front()), 10);
    EXPECT_EQ(counts.front(),
              static_cast<std::uint32_t>(std::llround(GaugeResponse(123.4, ConverterRange::Small))));
}

TEST(SimulatedGaugeSettings, InvalidValuesAreRefused) {
    SimulatedGauge gauge;
    EXPECT_FALSE(gauge.SetHeight(-1));
    EXPECT_FALSE(gauge.SetHeight(std::nan("")));
    EXPECT_FALSE(gauge.SetHeight(INFINITY));
    EXPECT_FALSE(gauge.SetNoise(-0.1));
    EXPECT_FALSE(gauge.SetNoise(1.5));
    EXPECT_FALSE(gauge.SetConversionTime(std::chrono::microseconds{-1}));
    EXPECT_FALSE(gauge.SetConversionTime(std::chrono::seconds{11}));
    const auto status = gauge.CurrentStatus();
    EXPECT_EQ(status.heightMm, SimulatedGauge::PowerUpHeightMm);
    EXPECT_EQ(status.noise, SimulatedGauge::DefaultNoise);
    EXPECT_EQ(status.conversionTime, SimulatedGauge::DefaultConversionTime);
}

TEST(SimulatedGaugeFaults, InitialisationFailsTheGivenNumberOfTimes) {
    auto gauge = OpenQuietGauge();
    gauge->FailInitialisations(2);
    EXPECT_EQ(gauge->CurrentStatus().initFailuresLeft, 2u);
    EXPECT_EQ(Code(*gauge, 14), 0);
    EXPECT_EQ(Code(*gauge, 14), 0);
    EXPECT_NE(Code(*gauge, 14), 0);
    EXPECT_NE(Code(*gauge, 14), 0);
}

TEST(SimulatedGaugeFaults, ReadsFailFromTheGivenRecordCountedFromTheSetting) {
    auto gauge = OpenQuietGauge();
    ReadMany(*gauge, 4);
    gauge->FailReadsFrom(2);
    EXPECT_EQ(gauge->CurrentStatus().recordsBeforeReadFailure, 2u);
    std::array<std::uint8_t, 5> record{};
    EXPECT_EQ(gauge->IoControl(12, record.data(), 5, nullptr), 1);
    EXPECT_EQ(gauge->IoControl(12, record.data(), 5, nullptr), 1);
    EXPECT_EQ(gauge->CurrentStatus().recordsBeforeReadFailure, 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(gauge->IoControl(12, record.data(), 5, nullptr), 0) << "record " << 2 + i;
    EXPECT_EQ(Code(*gauge, 8), 1) << "only reads fail";

    gauge->FailReadsFrom(0);
    EXPECT_EQ(gauge->IoControl(12, record.data(), 5, nullptr), 0);
    gauge->FailReadsFrom(std::nullopt);
    EXPECT_EQ(gauge->IoControl(12, record.data(), 5, nullptr), 1);
    EXPECT_FALSE(gauge->CurrentStatus().recordsBeforeReadFailure.has_value());
}

TEST(SimulatedGaugeFaults, RangeSwitchesFailPersistentlyOrCounted) {
    auto gauge = OpenQuietGauge();
    gauge->SetRangeSwitchFailing(true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Code(*gauge, 9), 0);
        EXPECT_EQ(Code(*gauge, 8), 0);
    }
    EXPECT_EQ(gauge->CurrentStatus().range, ConverterRange::Small) << "a failed switch leaves the range";
    gauge->SetRangeSwitchFailing(false);

    gauge->FailRangeSwitches(2);
    EXPECT_EQ(Code(*gauge, 9), 0);
    EXPECT_EQ(Code(*gauge, 8), 0);
    EXPECT_EQ(Code(*gauge, 9), 1);
    EXPECT_EQ(gauge->CurrentStatus().range, ConverterRange::Large);
    EXPECT_EQ(Code(*gauge, 14), 1) << "initialisation is not a range switch";
}

TEST(SimulatedGaugeFaults, AbsentDriverCannotBeOpened) {
    SimulatedGauge gauge;
    gauge.SetAbsent(true);
    EXPECT_FALSE(gauge.Open());
    gauge.SetAbsent(false);
    ASSERT_TRUE(gauge.Open());
    gauge.SetAbsent(true);
    EXPECT_EQ(gauge.IoControl(14, nullptr, 0, nullptr), 1) << "an open handle keeps working";
    gauge.Close();
    EXPECT_FALSE(gauge.Open());
}

// Run under ThreadSanitizer: the UI thread changes the probe while the worker samples through the driver.
TEST(SimulatedGaugeThreads, SettingsChangeWhileAnotherThreadSamples) {
    auto gauge = OpenQuietGauge();
    const auto near = static_cast<std::uint32_t>(std::llround(GaugeResponse(100, ConverterRange::Small)));
    const auto far = static_cast<std::uint32_t>(std::llround(GaugeResponse(200, ConverterRange::Small)));
    ASSERT_TRUE(gauge->SetHeight(100));

    std::atomic<int> unexpected{0};
    std::atomic<int> recorded{0};
    std::thread worker([&] {
        std::array<std::uint8_t, 5> record{};
        for (int i = 0; i < 2000; ++i) {
            if (gauge->IoControl(12, record.data(), 5, nullptr) != 1 ||
                (CountsOf(record) != near && CountsOf(record) != far))
                ++unexpected;
            ++recorded;
        }
    });
    for (int i = 0; recorded.load() < 2000; ++i) {
        gauge->SetHeight(i % 2 == 0 ? 200 : 100);
        gauge->SetSeed(static_cast<std::uint32_t>(i));
        gauge->SetConversionTime(std::chrono::microseconds{0});
        gauge->FailRangeSwitches(0);
        (void)gauge->CurrentStatus();
    }
    worker.join();
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(gauge->CurrentStatus().recordsRead, 2000u);
}

} // namespace
} // namespace slabcal
