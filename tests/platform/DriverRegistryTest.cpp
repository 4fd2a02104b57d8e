#include "platform/DriverRegistry.h"
#include "drivers/simulated/SimulatedGauge.h"

#include <gtest/gtest.h>

#include <array>

namespace slabcal {
namespace {

std::shared_ptr<SimulatedGauge> QuietGauge() {
    auto gauge = std::make_shared<SimulatedGauge>();
    gauge->SetConversionTime(std::chrono::microseconds{0});
    return gauge;
}

TEST(DriverRegistry, OpensOnlyBoundNames) {
    DriverRegistry registry;
    EXPECT_EQ(registry.Open("SPA1:"), InvalidStreamHandle);

    registry.Bind("SPA2:", QuietGauge());
    EXPECT_EQ(registry.Open("SPA1:"), InvalidStreamHandle);
    EXPECT_NE(registry.Open("SPA2:"), InvalidStreamHandle);
}

TEST(DriverRegistry, HandleReachesTheBoundDriver) {
    DriverRegistry registry;
    registry.Bind("SPA1:", QuietGauge());
    const StreamHandle handle = registry.Open("SPA1:");
    ASSERT_NE(handle, InvalidStreamHandle);

    EXPECT_EQ(registry.IoControl(handle, 14, nullptr, 0, nullptr), 1);
    std::array<uint8_t, 5> record{};
    uint32_t bytesReturned = 0;
    EXPECT_EQ(registry.IoControl(handle, 12, record.data(), 5, &bytesReturned), 1);
    EXPECT_EQ(bytesReturned, 5u);
}

TEST(DriverRegistry, UnknownHandleIsRefused) {
    DriverRegistry registry;
    registry.Bind("SPA1:", QuietGauge());
    const StreamHandle handle = registry.Open("SPA1:");
    ASSERT_NE(handle, InvalidStreamHandle);

    EXPECT_EQ(registry.IoControl(handle + 1, 14, nullptr, 0, nullptr), 0);
    EXPECT_EQ(registry.IoControl(InvalidStreamHandle, 14, nullptr, 0, nullptr), 0);
    EXPECT_FALSE(registry.Close(handle + 1));
    EXPECT_FALSE(registry.Close(InvalidStreamHandle));
}

TEST(DriverRegistry, CloseReleasesTheExclusiveDriver) {
    DriverRegistry registry;
    registry.Bind("SPA1:", QuietGauge());
    const StreamHandle first = registry.Open("SPA1:");
    ASSERT_NE(first, InvalidStreamHandle);
    EXPECT_EQ(registry.Open("SPA1:"), InvalidStreamHandle);

    EXPECT_TRUE(registry.Close(first));
    EXPECT_EQ(registry.IoControl(first, 14, nullptr, 0, nullptr), 0);
    EXPECT_FALSE(registry.Close(first));

    const StreamHandle second = registry.Open("SPA1:");
    EXPECT_NE(second, InvalidStreamHandle);
    EXPECT_NE(second, first);
}

} // namespace
} // namespace slabcal
