// Converters laid out as real IIO drivers lay out their attributes, each through `slabcal probe` and a
// whole calibration on the headless dialog, with the conversions changing between the rows as the probe
// moves: the real program, its sysfs reads on real files.
#include "app/SlabcalProcess.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <sys/wait.h>

namespace slabcal {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::int64_t Bipolar = 1 << 23;

struct Layout {
    const char* name;
    const char* settings;                                   // the settings file, without sysfs_root
    std::vector<std::pair<const char*, const char*>> files; // the device folder's attributes
    const char* raw;                                        // the attribute a conversion is read from
    std::function<std::int64_t(std::int64_t)> rawOfCounts;  // what the driver reports for the gauge's counts
    const char* scale;      // the scale attribute; nullptr: one fixed scale, never written
    const char* largeScale; // what it holds after the last row, measured on the large range
};

const Layout Layouts[] = {
    {"SharedScaleTrailingBlankUnipolar",
     "device=probe-adc\nchannel=1\nsmall_scale=0.000298023\nlarge_scale=0.000596046\n",
     {{"name", "probe-adc\n"},
      {"in_voltage_scale", "0.000149011\n"},
      {"in_voltage_scale_available", "0.000149011 0.000298023 0.000596046 \n"},
      {"in_voltage0_raw", "0\n"}},
     "in_voltage1_raw",
     [](std::int64_t counts) { return counts; },
     "in_voltage_scale",
     "0.000596046"},
    {"DifferentialOnlyOffsetBinaryByLabel",
     "device=probe-bridge\nchannel=0-1\ninput=bipolar\nsmall_scale=0.000149011\nlarge_scale=0.000298023\n",
     {{"name", "ad7124-4\n"},
      {"label", "probe-bridge\n"},
      {"in_voltage0-voltage1_offset", "-8388608\n"},
      {"in_voltage0-voltage1_scale", "0.000596046\n"},
      {"in_voltage0-voltage1_scale_available", "0.000149011 0.000298023 0.000596046\n"}},
     "in_voltage0-voltage1_raw",
     [](std::int64_t counts) { return counts; }, // (raw + offset) is signed; bipolar adds 2^23 back
     "in_voltage0-voltage1_scale",
     "0.000298023"},
    {"SignedValuesOneFixedScale",
     "device=probe-signed\nchannel=0\ninput=bipolar\nsmall_scale=0.000298\nlarge_scale=0.000596\n",
     {{"name", "probe-signed\n"}, {"in_voltage0_scale", "0.000298\n"}},
     "in_voltage0_raw",
     [](std::int64_t counts) { return counts - Bipolar; },
     nullptr,
     nullptr},
};

void PrintTo(const Layout& layout, std::ostream* out) {
    *out << layout.name;
}

class ConverterProbeProgram : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        const Layout& layout = GetParam();
        fs::create_directories(device);
        for (const auto& [name, text] : layout.files)
            WriteHostFile(device / name, text);
        SetSignal("9895");
        WriteHostFile(settings, std::string(layout.settings) + "sysfs_root=" + folder.Path() + "/iio\n");
    }
    // The conversion that gives the gauge's signal `signal` (counts / 1000) in the middle of its thousand.
    void SetSignal(const std::string& signal) const {
        const std::int64_t counts = std::stoll(signal) * 1000 + 500;
        WriteHostFile(device / GetParam().raw, std::to_string(GetParam().rawOfCounts(counts)) + "\n");
    }
    std::vector<std::string> Arguments(std::vector<std::string> more) const {
        std::vector<std::string> arguments{"--device", "iio", "--iio-settings", settings};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }

    TemporaryFolder folder;
    const fs::path device = fs::path(folder.Path()) / "iio" / "iio:device3";
    const std::string settings = folder / "adc.conf";
};

TEST_P(ConverterProbeProgram, ProbesAndCalibratesTheWholeTable) {
    test::SlabcalProcess probe(Arguments({"probe", "--count", "2", "--range", "small"}), {}, true);
    ASSERT_TRUE(probe.WaitForEndOfOutput(20s)) << probe.Output();
    EXPECT_NE(probe.Output().find("cycle 2  signal 9895  "), std::string::npos) << probe.Output();
    EXPECT_EQ(WEXITSTATUS(probe.Reap()), 0) << probe.Errors();

    const CalibrationPoints points = test::ModelPoints();
    test::SlabcalProcess run(Arguments({"--headless", "--root", folder / "root", "--script", "-"}), {}, true);
    for (std::size_t row = 0; row < points.size(); ++row) {
        SetSignal(points[row].signal);
        // The second signal is converted wholly after the change.
        const std::string marker = "# row " + std::to_string(row + 1);
        run.Type("height " + points[row].height + "\nsignal\nsignal\nsave\n" + marker + "\n");
        ASSERT_TRUE(run.WaitForOutput("> " + marker + "\n", 20s)) << run.Output() << run.Errors();
    }
    run.Type("answer yes\nwrite\nshow\n");
    run.EndInput();
    ASSERT_TRUE(run.WaitForEndOfOutput(60s)) << run.Output() << run.Errors();
    for (std::size_t row = 0; row < points.size(); ++row) {
        const std::string line =
            "row " + std::to_string(row + 1) + ": " + points[row].height + ' ' + points[row].signal + '\n';
        EXPECT_NE(run.Output().find(line), std::string::npos) << line << run.Output();
    }
    EXPECT_NE(run.Output().find("status 文件写入完毕"), std::string::npos) << run.Output() << run.Errors();
    EXPECT_TRUE(fs::exists(folder / "root/NandFlash/ZPQ.ini"));
    if (GetParam().scale != nullptr) {
        EXPECT_EQ(ReadHostFile(device / GetParam().scale), GetParam().largeScale);
    }
    EXPECT_EQ(WEXITSTATUS(run.Reap()), 0);
}

INSTANTIATE_TEST_SUITE_P(KernelLayouts, ConverterProbeProgram, ::testing::ValuesIn(Layouts),
                         [](const auto& layout) { return std::string(layout.param.name); });

} // namespace
} // namespace slabcal
