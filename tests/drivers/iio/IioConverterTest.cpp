#include "drivers/iio/IioConverter.h"
#include "drivers/iio/IioSettingsFile.h"
#include "platform/ConverterContract.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace slabcal {
namespace {

namespace fs = std::filesystem;

// A /sys/bus/iio/devices look-alike: iio:device0 "probe-adc" (channel 0 at 1000, scale attributes shared by
// its voltage channels), iio:device1 "other-adc" (7) and a trigger folder that is no device.
struct Tree {
    Tree() {
        Set("iio:device0/name", "probe-adc\n");
        Set("iio:device0/in_voltage0_raw", "1000\n");
        Set("iio:device0/in_voltage_scale", "0.000149\n");
        Set("iio:device0/in_voltage_scale_available", "0.000149 0.000298 0.000596\n");
        Set("iio:device1/name", "other-adc\n");
        Set("iio:device1/in_voltage0_raw", "7\n");
        Set("trigger0/name", "probe-adc\n");
        settings.device = "probe-adc";
        settings.smallScale = "0.000298";
        settings.largeScale = "0.000596";
        settings.sysfsRoot = folder.Path();
    }
    void Set(const std::string& relative, std::string_view text) const {
        fs::create_directories(fs::path(folder / relative).parent_path());
        WriteHostFile(folder / relative, text);
    }
    // An attribute that no read can take as a file: a folder or a FIFO in its place.
    void Replace(const std::string& relative, fs::file_type type) const {
        fs::remove(folder / relative);
        if (type == fs::file_type::directory) {
            fs::create_directory(folder / relative);
        } else if (type == fs::file_type::fifo) {
            ASSERT_EQ(::mkfifo((folder / relative).c_str(), 0600), 0);
        }
    }
    TemporaryFolder folder;
    IioSettings settings;
};

// Code 12's result and the counts of its record; the unused bytes must be 0 and the length 5 on success.
std::pair<int, std::uint32_t> ReadSample(StreamDriver& driver) {
    std::array<std::uint8_t, SampleRecordSize> record;
    record.fill(0xEE);
    std::uint32_t bytesReturned = 99;
    const int result = driver.IoControl(ReadSampleCode, record.data(), SampleRecordSize, &bytesReturned);
    EXPECT_EQ(bytesReturned, result == 1 ? SampleRecordSize : 0u);
    if (result == 1) {
        EXPECT_TRUE(record[0] == 0 && record[4] == 0);
    }
    return {result, (std::uint32_t{record[1]} << 16) | (std::uint32_t{record[2]} << 8) | record[3]};
}

TEST(IioConverter, OpensOnlyAChannelThatGivesAnInteger) {
    const struct {
        const char* what;
        std::function<void(Tree&)> arrange;
        std::uint32_t counts; // 0: the open is refused
    } cases[] = {
        {"device by name", [](Tree&) {}, 1000},
        {"device by folder", [](Tree& t) { t.settings.device = "iio:device1"; }, 7},
        {"device by label",
         [](Tree& t) {
             t.Set("iio:device1/label", "probe-board\n");
             t.settings.device = "probe-board";
         },
         7},
        {"a label before another device's name", [](Tree& t) { t.Set("iio:device1/label", "probe-adc\n"); },
         7},
        {"label shared by two devices",
         [](Tree& t) {
             t.Set("iio:device0/label", "probe-board\n");
             t.Set("iio:device1/label", "probe-board\n");
             t.settings.device = "probe-board";
         },
         0},
        {"no device of that name", [](Tree& t) { t.settings.device = "absent-adc"; }, 0},
        {"no such device folder", [](Tree& t) { t.settings.device = "iio:device9"; }, 0},
        {"a path out of the device folders",
         [](Tree& t) { t.settings.device = "iio:device0/../iio:device1"; }, 0},
        {"name shared by two devices", [](Tree& t) { t.Set("iio:device1/name", "probe-adc"); }, 0},
        {"no such channel", [](Tree& t) { t.settings.channel = 3; }, 0},
        {"raw missing", [](Tree& t) { t.Replace("iio:device0/in_voltage0_raw", fs::file_type::none); }, 0},
        {"raw a folder", [](Tree& t) { t.Replace("iio:device0/in_voltage0_raw", fs::file_type::directory); },
         0},
        {"raw a FIFO", [](Tree& t) { t.Replace("iio:device0/in_voltage0_raw", fs::file_type::fifo); }, 0},
        {"raw empty", [](Tree& t) { t.Set("iio:device0/in_voltage0_raw", ""); }, 0},
        {"raw not a number", [](Tree& t) { t.Set("iio:device0/in_voltage0_raw", "busy\n"); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Tree tree;
        c.arrange(tree);
        IioConverter converter(tree.settings);
        ASSERT_EQ(converter.Open(), c.counts != 0) << converter.LastProblem();
        if (c.counts != 0) {
            EXPECT_EQ(ReadSample(converter), std::make_pair(1, c.counts));
        }
    }
}

TEST(IioConverter, RecordSaturatesAt24BitsAndRefusesWhatIsNoInteger) {
    const std::string overPage(SysfsFiles::MaxAttributeBytes + 1, '1');
    const struct {
        const char* raw;
        int result;
        std::uint32_t counts;
    } cases[] = {
        {"1193046\n", 1, 0x123456},
        {"16777215", 1, 0xFFFFFF},
        {" +12 \r\n", 1, 12},
        {"-1\n", 1, 0},
        {"16777216\n", 1, 0xFFFFFF},
        {"1073741824\n", 1, 0xFFFFFF},
        {"99999999999999999999999\n", 1, 0xFFFFFF},
        {"-99999999999999999999999\n", 1, 0},
        {"", 0, 0},
        {"\n", 0, 0},
        {"12abc\n", 0, 0},
        {"0x10\n", 0, 0},
        {"1.5\n", 0, 0},
        {"--5\n", 0, 0},
        {"1 2\n", 0, 0},
        {overPage.c_str(), 0, 0},
    };
    Tree tree;
    IioConverter converter(tree.settings);
    ASSERT_TRUE(converter.Open());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        tree.Set("iio:device0/in_voltage0_raw", c.raw);
        const auto [result, counts] = ReadSample(converter);
        EXPECT_EQ(result, c.result);
        if (result == 1) {
            EXPECT_EQ(counts, c.counts);
        }
        EXPECT_EQ(converter.IoControl(InitialiseCode, nullptr, 0, nullptr), c.result);
    }
    tree.Replace("iio:device0/in_voltage0_raw", fs::file_type::fifo);
    EXPECT_EQ(ReadSample(converter).first, 0);
}

TEST(IioConverter, EachReadSeesTheCurrentValue) {
    Tree tree;
    IioConverter converter(tree.settings);
    ASSERT_TRUE(converter.Open());
    for (const std::uint32_t value : {1u, 500u, 16777215u, 42u}) {
        tree.Set("iio:device0/in_voltage0_raw", std::to_string(value) + "\n");
        EXPECT_EQ(ReadSample(converter), std::make_pair(1, value));
    }
}

TEST(IioConverter, ExclusiveAndStrictAboutCallers) {
    Tree tree;
    IioConverter converter(tree.settings);
    EXPECT_EQ(converter.IoControl(InitialiseCode, nullptr, 0, nullptr), 0);
    ASSERT_TRUE(converter.Open());
    EXPECT_FALSE(converter.Open());
    std::array<std::uint8_t, SampleRecordSize> record{};
    EXPECT_EQ(converter.IoControl(ReadSampleCode, nullptr, SampleRecordSize, nullptr), 0);
    EXPECT_EQ(converter.IoControl(ReadSampleCode, record.data(), SampleRecordSize - 1, nullptr), 0);
    EXPECT_EQ(converter.IoControl(ReadSampleCode, record.data(), SampleRecordSize, nullptr), 1);
    for (const std::uint32_t code : {0u, 10u, 13u, 0xFFFFFFFFu})
        EXPECT_EQ(converter.IoControl(code, record.data(), SampleRecordSize, nullptr), 0) << code;
    converter.Close();
    EXPECT_EQ(converter.IoControl(SelectSmallRangeCode, nullptr, 0, nullptr), 0);
    EXPECT_TRUE(converter.Open());
}

// A device that takes the write but then reports another scale (a driver rounding to its nearest gain), or
// cannot be read back.
class SecondGuessingSysfs final : public SysfsFiles {
public:
    enum class Mode { Honest, OtherScale, ReadBackFails } mode = Mode::Honest;
    ReadResult Read(const std::string& path) override {
        if (mode == Mode::ReadBackFails && path == written)
            return {"", EIO};
        return HostSysfsFiles().Read(path);
    }
    WriteResult Write(const std::string& path, const std::string& text) override {
        written = path;
        return HostSysfsFiles().Write(path, mode == Mode::OtherScale ? "0.000149\n" : text);
    }
    std::string written;
};

TEST(IioConverter, RangeSetsOnlyAListedScaleThatReadsBack) {
    using Mode = SecondGuessingSysfs::Mode;
    const struct {
        const char* what;
        std::uint32_t code;
        std::function<void(Tree&)> arrange;
        Mode mode;
        int result;
        const char* scaleAfter; // iio:device0/in_voltage_scale afterwards; nullptr: no regular file there
    } cases[] = {
        {"small", SelectSmallRangeCode, [](Tree&) {}, Mode::Honest, 1, "0.000298"},
        {"large", SelectLargeRangeCode, [](Tree&) {}, Mode::Honest, 1, "0.000596"},
        {"listed in another notation", SelectSmallRangeCode,
         [](Tree& t) { t.settings.smallScale = "2.98e-4"; }, Mode::Honest, 1, "2.98e-4"},
        {"the channel's own attributes first", SelectLargeRangeCode,
         [](Tree& t) {
             t.Set("iio:device0/in_voltage0_scale", "1\n");
             t.Set("iio:device0/in_voltage0_scale_available", "1 2\n");
             t.settings.largeScale = "2";
         },
         Mode::Honest, 1, "0.000149\n"},
        {"no scale for the range", SelectSmallRangeCode, [](Tree& t) { t.settings.smallScale.reset(); },
         Mode::Honest, 1, "0.000149\n"},
        {"not listed", SelectSmallRangeCode, [](Tree& t) { t.settings.smallScale = "0.0003"; }, Mode::Honest,
         0, "0.000149\n"},
        {"a range offering it on a step", SelectSmallRangeCode,
         [](Tree& t) { t.Set("iio:device0/in_voltage_scale_available", "[0.000149 0.000149 0.000596]\n"); },
         Mode::Honest, 1, "0.000298"},
        {"a range, the scale between its steps", SelectSmallRangeCode,
         [](Tree& t) { t.Set("iio:device0/in_voltage_scale_available", "[0.0001 0.0001 0.0006]\n"); },
         Mode::Honest, 0, "0.000149\n"},
        {"a range beyond the scale", SelectLargeRangeCode,
         [](Tree& t) { t.Set("iio:device0/in_voltage_scale_available", "[0.000149 0.000149 0.000298]\n"); },
         Mode::Honest, 0, "0.000149\n"},
        {"no list", SelectSmallRangeCode,
         [](Tree& t) { t.Replace("iio:device0/in_voltage_scale_available", fs::file_type::none); },
         Mode::Honest, 0, "0.000149\n"},
        {"scale missing", SelectSmallRangeCode,
         [](Tree& t) { t.Replace("iio:device0/in_voltage_scale", fs::file_type::none); }, Mode::Honest, 0,
         nullptr},
        {"scale a FIFO", SelectSmallRangeCode,
         [](Tree& t) { t.Replace("iio:device0/in_voltage_scale", fs::file_type::fifo); }, Mode::Honest, 0,
         nullptr},
        {"another scale read back", SelectSmallRangeCode, [](Tree&) {}, Mode::OtherScale, 0, "0.000149\n"},
        {"read-back fails", SelectLargeRangeCode, [](Tree&) {}, Mode::ReadBackFails, 0, "0.000596"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Tree tree;
        c.arrange(tree);
        SecondGuessingSysfs files;
        files.mode = c.mode;
        IioConverter converter(tree.settings, files);
        ASSERT_TRUE(converter.Open()) << converter.LastProblem();
        EXPECT_EQ(converter.IoControl(c.code, nullptr, 0, nullptr), c.result) << converter.LastProblem();
        const std::string scale = tree.folder / "iio:device0/in_voltage_scale";
        if (c.scaleAfter != nullptr) {
            EXPECT_EQ(ReadHostFile(scale), c.scaleAfter);
        } else {
            EXPECT_FALSE(fs::is_regular_file(scale));
        }
    }
}

// Attribute layouts as the kernel's IIO ABI lays them out, each as iio:device2 beside the Tree's devices,
// with the settings file an integrator would write for it. Each reads one value after the small range is
// set; `attribute` must then read `after` (a scale taken, a frequency written, a fixed scale untouched).
TEST(IioConverter, ReadsEachKernelLayout) {
    struct File {
        const char* name;
        const char* text;
    };
    const struct {
        const char* what;
        std::vector<File> files;
        const char* settings;
        std::uint32_t counts;
        const char* attribute;
        const char* after;
    } cases[] = {
        {"offset binary, offset and scale shared, list with a trailing blank",
         {{"name", "hx711\n"},
          {"in_voltage0_raw", "8393608\n"},
          {"in_voltage1_raw", "1\n"},
          {"in_voltage_offset", "-8388608\n"},
          {"in_voltage_scale", "0.000596046\n"},
          {"in_voltage_scale_available", "0.000149011 0.000298023 0.000596046 \n"}},
         "device=hx711\nsmall_scale=0.000298023\nlarge_scale=0.000596046\n",
         5000,
         "in_voltage_scale",
         "0.000298023"},
        {"differential only, own offset and scale, bipolar input",
         {{"name", "ad7124-4\n"},
          {"in_voltage0-voltage1_raw", "8488608\n"},
          {"in_voltage0-voltage1_offset", "-8388608\n"},
          {"in_voltage0-voltage1_scale", "0.000298023\n"},
          {"in_voltage0-voltage1_scale_available", "0.000149011 0.000298023\n"},
          {"in_voltage0-voltage1_sampling_frequency", "9\n"}},
         "device=ad7124-4\nchannel=0-1\ninput=bipolar\nsmall_scale=0.000149011\nsampling_frequency=50\n",
         8388608 + 100000,
         "in_voltage0-voltage1_sampling_frequency",
         "50"},
        {"differential, scale shared by the differential channels, a range of scales",
         {{"name", "ad7192\n"},
          {"in_voltage1-voltage2_raw", "12345\n"},
          {"in_voltage-voltage_scale", "0.000596\n"},
          {"in_voltage-voltage_scale_available", "[0.000149 0.000149 0.000596]\n"},
          {"sampling_frequency", "50\n"}},
         "device=ad7192\nchannel=1-2\nsmall_scale=0.000298\nsampling_frequency=10\n",
         12345,
         "in_voltage-voltage_scale",
         "0.000298"},
        {"signed raw, bipolar input keeps the negative half",
         {{"name", "mcp3911\n"},
          {"in_voltage0_raw", "-52443\n"},
          {"in_voltage0_scale", "0.000000152\n"},
          {"in_voltage_scale_available", "0.000000152 0.000000076\n"}},
         "device=mcp3911\ninput=bipolar\nsmall_scale=0.000000076\n",
         8388608 - 52443,
         "in_voltage0_scale",
         "0.000000076"},
        {"signed raw, unipolar input: below zero reads 0",
         {{"name", "mcp3911\n"}, {"in_voltage0_raw", "-52443\n"}},
         "device=mcp3911\n",
         0,
         "name",
         "mcp3911\n"},
        {"fixed scale, found by its label, fractional offset rounded",
         {{"name", "ads1100\n"},
          {"label", "probe-bridge\n"},
          {"in_voltage0_raw", "12345\n"},
          {"in_voltage0_offset", "-44.6\n"},
          {"in_voltage0_scale", "0.0625\n"}},
         "device=probe-bridge\nsmall_scale=0.03125\nlarge_scale=0.0625\n",
         12300,
         "in_voltage0_scale",
         "0.0625\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Tree tree;
        for (const File& file : c.files)
            tree.Set(std::string("iio:device2/") + file.name, file.text);
        // A scale without a store method, as sysfs shows it on a converter of one gain.
        if (std::string(c.what).starts_with("fixed scale"))
            fs::permissions(tree.folder / "iio:device2/in_voltage0_scale",
                            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        IioSettings settings;
        settings.sysfsRoot = tree.folder.Path();
        std::string error;
        ASSERT_TRUE(ParseIioSettings(c.settings, settings, error)) << error;
        IioConverter converter(settings);
        ASSERT_TRUE(converter.Open()) << converter.LastProblem();
        ASSERT_EQ(converter.IoControl(SelectSmallRangeCode, nullptr, 0, nullptr), 1)
            << converter.LastProblem();
        EXPECT_EQ(ReadSample(converter), std::make_pair(1, c.counts)) << converter.LastProblem();
        EXPECT_EQ(ReadHostFile(tree.folder / (std::string("iio:device2/") + c.attribute)), c.after);
        EXPECT_EQ(converter.IoControl(SelectLargeRangeCode, nullptr, 0, nullptr), 1)
            << converter.LastProblem();
    }
}

// A sigma-delta converter that times out once, or a bus busy for a moment, costs a second attempt, not
// the converter: three attempts in all, then the last error with their number.
class GlitchingSysfs final : public SysfsFiles {
public:
    ReadResult Read(const std::string& path) override {
        if (path.ends_with("_raw") && failReads > 0) {
            --failReads;
            return {"", error};
        }
        return HostSysfsFiles().Read(path);
    }
    WriteResult Write(const std::string& path, const std::string& text) override {
        if (failWrites > 0) {
            --failWrites;
            return {error};
        }
        return HostSysfsFiles().Write(path, text);
    }
    int error = EIO;
    int failReads = 0;
    int failWrites = 0;
};

TEST(IioConverter, APassingFaultIsTriedAgainThreeTimesInAll) {
    const struct {
        int error;
        int failReads;
        int failWrites;
        int readResult;
        int rangeResult;
        const char* problem; // how the failed call's LastProblem ends; "" when none failed
    } cases[] = {
        {EIO, 2, 0, 1, 1, ""},
        {ETIMEDOUT, 1, 0, 1, 1, ""},
        {EBUSY, 0, 2, 1, 1, ""},
        {EAGAIN, 3, 0, 0, 1, "in_voltage0_raw: read: Resource temporarily unavailable (3 attempts)"},
        {EBUSY, 0, 3, 1, 0, "in_voltage_scale: write: Device or resource busy (3 attempts)"},
        {EACCES, 0, 1, 1, 0, "in_voltage_scale: write: Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::strerror(c.error) << " " << c.failReads << "/" << c.failWrites);
        Tree tree;
        GlitchingSysfs files;
        IioConverter converter(tree.settings, files);
        ASSERT_TRUE(converter.Open());
        files.error = c.error;
        files.failReads = c.failReads;
        files.failWrites = c.failWrites;
        std::string problem;
        EXPECT_EQ(ReadSample(converter).first, c.readResult);
        problem += converter.LastProblem();
        EXPECT_EQ(converter.IoControl(SelectSmallRangeCode, nullptr, 0, nullptr), c.rangeResult);
        problem += converter.LastProblem();
        EXPECT_TRUE(problem.ends_with(c.problem) && (problem.empty() == (*c.problem == 0))) << problem;
    }
}

// Every failure says what failed: the attribute's whole path, the call and the error, or what its text
// was. `problem` is relative to the tree's root.
TEST(IioConverter, EveryFailureNamesTheAttributeTheCallAndTheError) {
    const struct {
        const char* what;
        std::function<void(Tree&)> arrange;
        std::uint32_t code; // 0: the open fails
        const char* problem;
    } cases[] = {
        {"differential channel absent", [](Tree& t) { t.settings.negativeChannel = 1; }, 0,
         "/iio:device0/in_voltage0-voltage1_raw: open: No such file or directory"},
        {"raw a FIFO", [](Tree& t) { t.Replace("iio:device0/in_voltage0_raw", fs::file_type::fifo); }, 0,
         "/iio:device0/in_voltage0_raw: open (not a regular file): Invalid argument"},
        {"raw empty", [](Tree& t) { t.Set("iio:device0/in_voltage0_raw", ""); }, 0,
         "/iio:device0/in_voltage0_raw: read: No data available"},
        {"offset not a number", [](Tree& t) { t.Set("iio:device0/in_voltage_offset", "-8388608 8\n"); }, 0,
         "/iio:device0/in_voltage_offset: not a number: '-8388608 8'"},
        {"frequency attribute absent", [](Tree& t) { t.settings.samplingFrequency = "50"; }, 0,
         "/iio:device0/sampling_frequency: open: No such file or directory"},
        {"a name that cannot be read",
         [](Tree& t) {
             t.Replace("iio:device1/name", fs::file_type::fifo);
             t.settings.device = "other-adc";
         },
         0, "/iio:device1/name: open (not a regular file): Invalid argument"},
        {"scale not offered", [](Tree& t) { t.settings.smallScale = "0.0003"; }, SelectSmallRangeCode,
         "/iio:device0/in_voltage_scale_available: scale 0.0003 is not one of '0.000149 0.000298 0.000596'"},
        {"scale a folder",
         [](Tree& t) { t.Replace("iio:device0/in_voltage_scale", fs::file_type::directory); },
         SelectLargeRangeCode, "/iio:device0/in_voltage_scale: open: Is a directory"},
        {"raw gone after the open", [](Tree&) {}, ReadSampleCode,
         "/iio:device0/in_voltage0_raw: open: No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Tree tree;
        c.arrange(tree);
        IioConverter converter(tree.settings);
        if (c.code == 0) {
            EXPECT_FALSE(converter.Open());
        } else {
            ASSERT_TRUE(converter.Open()) << converter.LastProblem();
            if (c.code == ReadSampleCode)
                tree.Replace("iio:device0/in_voltage0_raw", fs::file_type::none);
            std::array<std::uint8_t, SampleRecordSize> record{};
            EXPECT_EQ(converter.IoControl(c.code, record.data(), SampleRecordSize, nullptr), 0);
        }
        const std::string problem = converter.LastProblem();
        EXPECT_NE(problem.find(tree.folder.Path() + c.problem), std::string::npos) << problem;
    }
}

} // namespace
} // namespace slabcal
