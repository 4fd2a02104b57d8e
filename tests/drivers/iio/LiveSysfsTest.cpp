#include "LiveSysfs.h"

#include "acquisition/Eventually.h"
#include "acquisition/ThreadCensus.h"

#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "drivers/iio/IioConverter.h"
#include "drivers/simulated/GaugeResponse.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessBackend.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "support/Gate.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
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
        EXPECT_EQ(DecodeSampleRecord(record.data()), std::min<std::int64_t>(served.load(), MaxSampleCounts))
            << "read " << read;
    }
    EXPECT_EQ(conversions.load(), 7); // the open's check and six records
}

// A tree whose raw attribute hangs on demand, for the converter "live-adc" at a fixed conversion.
struct HangingTree {
    HangingTree() {
        std::filesystem::create_directories(folder / "mnt");
        std::filesystem::create_directories(folder / "device/NandFlash");
        settings.device = "live-adc";
        settings.sysfsRoot = folder / "mnt";
    }
    const TemporaryFolder folder;
    test::LiveSysfs live{[] { return std::int64_t{5'000'000}; }};
    IioSettings settings;
};

// Esc while the worker's read hangs: the run ends within the worker's end bound, the read is left to
// itself, and when it returns at last it finds the converter closed and touches nothing that is gone.
TEST(IioConverterOnLiveSysfs, ClosingTheWindowDoesNotWaitForAHangingRead) {
    HangingTree tree;
    if (const std::string why = tree.live.Mount(tree.folder / "mnt"); !why.empty())
        GTEST_SKIP() << "no FUSE mount here, live sysfs not tested: " << why;
    Drivers().Bind(ConverterDeviceName, MakeIioConverter(tree.settings));
    DeviceFileSystem files(tree.folder / "device");
    SegmentModel model;
    HeadlessBackend backend;
    const SamplingPacing pacing{std::chrono::milliseconds(2), std::chrono::milliseconds(2)};
    std::chrono::steady_clock::time_point escape;
    backend.AddStep([&](HeadlessWindow& window) {
        ASSERT_TRUE(window.PumpUntil([&] { return !window.GetText(ids::SignalField).empty(); },
                                     std::chrono::seconds(10)));
        tree.live.BlockRawReadsFrom(1);
        ASSERT_TRUE(tree.live.WaitUntilBlocked(std::chrono::seconds(10)));
        escape = std::chrono::steady_clock::now();
    });
    std::chrono::steady_clock::time_point ended;
    {
        CalibrationDialog dialog(model, files, "slabcal", pacing);
        // Should the run wait for the read after all, the read is let go at the test's patience, so the
        // test fails on the time taken instead of hanging.
        EXPECT_TRUE(test::DoneWhileHeld(
            [&] {
                dialog.DoModal(backend);
                ended = std::chrono::steady_clock::now();
            },
            [&] { tree.live.Unblock(); }, test::PatienceLimit));
    }
    EXPECT_LT(ended - escape, pacing.endTimeout + std::chrono::milliseconds(500));
    Drivers().Unbind(ConverterDeviceName);
    EXPECT_TRUE(test::Eventually([] { return ThreadCensus::Running() == 0; }));
}

// A whole calibration on the headless dialog through a live tree whose raw value follows a probe over a
// slab: the test moves the probe to each height and waits for the worker's reading before it saves.
TEST(IioConverterOnLiveSysfs, AWholeCalibrationFollowsTheProbe) {
    const TemporaryFolder folder;
    std::filesystem::create_directories(folder / "mnt");
    std::filesystem::create_directories(folder / "device/NandFlash");
    std::atomic<double> height{40};
    std::atomic<bool> largeRange{false};
    test::LiveSysfs live([&] {
        return std::llround(
            GaugeResponse(height.load(), largeRange.load() ? ConverterRange::Large : ConverterRange::Small));
    });
    if (const std::string why = live.Mount(folder / "mnt"); !why.empty())
        GTEST_SKIP() << "no FUSE mount here, live sysfs not tested: " << why;
    IioSettings settings;
    settings.device = "live-adc";
    settings.sysfsRoot = folder / "mnt";
    Drivers().Bind(ConverterDeviceName, MakeIioConverter(settings));
    DeviceFileSystem files(folder / "device");
    SegmentModel model;
    HeadlessBackend backend;
    Application application("slabcal", backend);
    {
        CalibrationDialog dialog(model, files, "slabcal",
                                 {std::chrono::milliseconds(2), std::chrono::milliseconds(2)});
        auto& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
        for (int row = 0; row < points::RowCount; ++row) {
            height = std::stod(std::string(points::Heights[static_cast<std::size_t>(row)]));
            largeRange = row > 6;
            const std::string expected =
                std::to_string(std::llround(GaugeResponse(height, largeRange ? ConverterRange::Large
                                                                             : ConverterRange::Small)) /
                               CountsPerSignalUnit);
            ASSERT_TRUE(window.PumpUntil([&] { return window.GetText(ids::SignalField) == expected; },
                                         std::chrono::seconds(10)))
                << "row " << row;
            window.Click(ids::SavePointButton);
        }
        window.Click(ids::WriteParametersButton);
        EXPECT_EQ(window.GetText(ids::StatusLine), texts::WriteFinished);
    }
    Drivers().Unbind(ConverterDeviceName);
    const SegmentModel defaults;
    for (std::size_t segment = 0; segment < 6; ++segment)
        EXPECT_NEAR(model.CurveA[segment], defaults.CurveA[std::min<std::size_t>(segment, 3)], 1e-2)
            << segment;
}

} // namespace
} // namespace slabcal
