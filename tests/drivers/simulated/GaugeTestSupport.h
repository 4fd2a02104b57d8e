#pragma once

#include "drivers/simulated/SimulatedGauge.h"
#include "platform/ConverterContract.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

namespace slabcal {

// An open gauge that answers at once and without noise, so expectations can be exact.
inline std::unique_ptr<SimulatedGauge> OpenQuietGauge() {
    auto gauge = std::make_unique<SimulatedGauge>();
    gauge->SetNoise(0);
    gauge->SetConversionTime(std::chrono::microseconds{0});
    EXPECT_TRUE(gauge->Open());
    return gauge;
}

inline std::uint32_t CountsOf(const SampleRecord& record) {
    return DecodeSampleRecord(record.data());
}

// One sample record through code 12; a refused read fails the calling test.
inline std::uint32_t ReadCounts(SimulatedGauge& gauge) {
    std::array<std::uint8_t, 5> record{};
    EXPECT_EQ(gauge.IoControl(12, record.data(), 5, nullptr), 1);
    return CountsOf(record);
}

} // namespace slabcal
