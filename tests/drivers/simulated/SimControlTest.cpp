#include "GaugeTestSupport.h"

#include "drivers/simulated/SimControl.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace slabcal {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

TEST(SimControlParse, ReadsEveryKey) {
    std::vector<std::string> problems;
    const SimControl control = ParseSimControl("# a whole calibration step\r\n"
                                               "height = 250\r\n"
                                               "\r\n"
                                               "noise=0.002\n"
                                               "seed=4294967295\n"
                                               "conversion_ms=0.5\n"
                                               "fail_init=2\n"
                                               "fail_reads_from=7\n"
                                               "fail_range=1\n"
                                               "fail_range_next=3\n"
                                               "absent=0",
                                               problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(control.heightMm, 250.0);
    EXPECT_EQ(control.noise, 0.002);
    EXPECT_EQ(control.seed, 4294967295u);
    EXPECT_EQ(control.conversionTime, std::chrono::microseconds{500});
    EXPECT_EQ(control.initFailures, 2u);
    ASSERT_TRUE(control.readsFailFrom.has_value());
    EXPECT_EQ(*control.readsFailFrom, 7u);
    EXPECT_EQ(control.rangeSwitchFailing, true);
    EXPECT_EQ(control.rangeSwitchFailures, 3u);
    EXPECT_EQ(control.absent, false);
}

TEST(SimControlParse, MissingKeysStayUnset) {
    std::vector<std::string> problems;
    const SimControl control = ParseSimControl("fail_reads_from=off\n", problems);
    ASSERT_TRUE(control.readsFailFrom.has_value());
    EXPECT_FALSE(control.readsFailFrom->has_value());
    EXPECT_FALSE(control.heightMm || control.noise || control.seed || control.conversionTime ||
                 control.initFailures || control.rangeSwitchFailing || control.rangeSwitchFailures ||
                 control.absent);
}

TEST(SimControlParse, BadLinesAreReportedWithTheirNumberAndSkipped) {
    std::vector<std::string> problems;
    const SimControl control = ParseSimControl("height=100\n"
                                               "colour=red\n"
                                               "height=-5\n"
                                               "height=12abc\n"
                                               "noise\n"
                                               "noise=2\n"
                                               "seed=-3\n"
                                               "conversion_ms=1e300\n"
                                               "fail_range=yes\n"
                                               "absent=2\n"
                                               "fail_init=nan\n"
                                               "height=inf\n",
                                               problems);
    ASSERT_EQ(problems.size(), 11u);
    EXPECT_EQ(problems[0], "line 2: unknown key 'colour'");
    EXPECT_EQ(problems[1], "line 3: bad value '-5' for height");
    EXPECT_EQ(problems[3], "line 5: expected key=value, got 'noise'");
    EXPECT_EQ(problems[10], "line 12: bad value 'inf' for height");
    EXPECT_EQ(control.heightMm, 100.0) << "refused values do not undo an earlier good one";
    EXPECT_FALSE(control.noise || control.seed || control.conversionTime || control.rangeSwitchFailing ||
                 control.absent || control.initFailures);
}

// A scratch folder per test, removed afterwards.
class SimControlFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() /
                 ("slabcal-sim-" + std::to_string(::getpid()) + "-" + test->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        file = folder / "gauge.ctl";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Rewrites the file in place, as `echo ... > file` does: same inode, often the same size and timestamp.
    void Write(const std::string& text) const { std::ofstream(file, std::ios::trunc) << text; }

    std::filesystem::path folder;
    std::filesystem::path file;
    std::ostringstream problems;
};

TEST_F(SimControlFileTest, MissingFileIsPickedUpWhenItAppears) {
    auto gauge = OpenQuietGauge();
    gauge->WatchControlFile(file, milliseconds{0}, problems);
    ReadCounts(*gauge);
    EXPECT_EQ(gauge->CurrentStatus().heightMm, SimulatedGauge::PowerUpHeightMm);

    Write("height=250\n");
    EXPECT_EQ(ReadCounts(*gauge), std::llround(GaugeResponse(250, ConverterRange::Small)));
    EXPECT_EQ(gauge->CurrentStatus().heightMm, 250.0);
    EXPECT_EQ(problems.str(), "");
}

TEST_F(SimControlFileTest, EveryRewriteIsApplied) {
    Write("height=100\n");
    auto gauge = OpenQuietGauge();
    gauge->WatchControlFile(file, milliseconds{0}, problems);
    EXPECT_EQ(gauge->CurrentStatus().heightMm, 100.0) << "the file is applied when watching starts";
    const std::uint32_t at100 = ReadCounts(*gauge);

    Write("height=200\n");
    const std::uint32_t at200 = ReadCounts(*gauge);
    EXPECT_EQ(gauge->CurrentStatus().heightMm, 200.0);
    EXPECT_LT(at200, at100);

    // Same inode, same size and, as a coarse file-system clock can leave it, the same timestamp.
    const auto stamped = std::filesystem::last_write_time(file);
    Write("height=100\n");
    std::filesystem::last_write_time(file, stamped);
    EXPECT_EQ(ReadCounts(*gauge), at100);
}

TEST_F(SimControlFileTest, FileDrivesFaultsThroughTheDriverCalls) {
    auto gauge = OpenQuietGauge();
    gauge->WatchControlFile(file, milliseconds{0}, problems);
    Write("fail_init=2\nfail_range_next=1\n");
    EXPECT_EQ(gauge->IoControl(14, nullptr, 0, nullptr), 0);
    EXPECT_EQ(gauge->IoControl(14, nullptr, 0, nullptr), 0);
    EXPECT_EQ(gauge->IoControl(14, nullptr, 0, nullptr), 1) << "an unchanged file is not applied again";
    EXPECT_EQ(gauge->IoControl(9, nullptr, 0, nullptr), 0);
    EXPECT_EQ(gauge->IoControl(9, nullptr, 0, nullptr), 1);

    Write("fail_reads_from=0\n");
    std::array<std::uint8_t, 5> record{};
    EXPECT_EQ(gauge->IoControl(12, record.data(), 5, nullptr), 0);
    Write("fail_reads_from=off\nabsent=1\n");
    EXPECT_EQ(gauge->IoControl(12, record.data(), 5, nullptr), 1);
    gauge->Close();
    EXPECT_FALSE(gauge->Open());
}

TEST_F(SimControlFileTest, BadLinesAreReportedAndTheRestApplied) {
    Write("noise=0\ncolour=red\nheight=300\n");
    SimulatedGauge gauge;
    gauge.WatchControlFile(file, milliseconds{0}, problems);
    EXPECT_EQ(gauge.CurrentStatus().heightMm, 300.0);
    EXPECT_EQ(problems.str(), "sim-control " + file.string() + ": line 2: unknown key 'colour' (ignored)\n");
}

TEST_F(SimControlFileTest, LooksAreSpacedByTheInterval) {
    Write("height=100\n");
    auto gauge = OpenQuietGauge();
    gauge->WatchControlFile(file, hours{1}, problems);
    Write("height=200\n");
    ReadCounts(*gauge);
    gauge->PollControlFile();
    EXPECT_EQ(gauge->CurrentStatus().heightMm, 100.0);
}

TEST_F(SimControlFileTest, SomethingOtherThanAFileIsRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    auto gauge = OpenQuietGauge();
    gauge->WatchControlFile(file, milliseconds{0}, problems);
    ReadCounts(*gauge);
    EXPECT_EQ(problems.str(), "sim-control " + file.string() + ": not a regular file, ignored\n")
        << "reported once";

    std::filesystem::remove(file);
    Write(std::string(SimControlFile::MaxFileSize + 1, '#'));
    gauge->PollControlFile();
    EXPECT_NE(problems.str().find("bytes, ignored"), std::string::npos);
    EXPECT_EQ(gauge->CurrentStatus().heightMm, SimulatedGauge::PowerUpHeightMm);
}

} // namespace
} // namespace slabcal
