#include "LiveSysfs.h"

#include "drivers/iio/IioConverter.h"
#include "platform/ConverterContract.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>

namespace slabcal {
namespace {

// The converter against attributes that change under it as a driver's do: every read must be a fresh
// conversion, never a cached or half-mixed text.
TEST(IioConverterOnLiveSysfs, EveryReadSeesAFreshConversion) {
    const TemporaryFolder folder;
    std::filesystem::create_directory(folder / "mnt");
    std::atomic<std::int64_t> served{0};
    std::atomic<int> conversions{0};
    // 5 000 000 steps: the fourth conversion and later are beyond 24 bits and must saturate.
    test::LiveSysfs live([&] {
        served = std::int64_t{++conversions} * 5'000'000;
        return served.load();
    });
    if (const std::string why = live.Mount(folder / "mnt"); !why.empty())
        GTEST_SKIP() << "no FUSE mount here, live sysfs not tested: " << why;

    IioSettings settings;
    settings.device = "live-adc";
    settings.sysfsRoot = folder / "mnt";
    IioConverter converter(settings);
    ASSERT_TRUE(converter.Open()) << converter.LastProblem();
    for (int read = 0; read < 6; ++read) {
        std::array<std::uint8_t, SampleRecordSize> record{};
        ASSERT_EQ(converter.IoControl(ReadSampleCode, record.data(), SampleRecordSize, nullptr), 1)
            << converter.LastProblem();
        const std::uint32_t counts =
            (std::uint32_t{record[1]} << 16) | (std::uint32_t{record[2]} << 8) | record[3];
        EXPECT_EQ(counts, std::min<std::int64_t>(served.load(), 0xFFFFFF)) << "read " << read;
    }
    EXPECT_EQ(conversions.load(), 7); // the open's check and six records
}

} // namespace
} // namespace slabcal
