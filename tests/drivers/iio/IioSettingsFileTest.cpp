#include "drivers/iio/IioSettingsFile.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace slabcal {
namespace {

TEST(IioSettingsFile, ReadsEveryKeyAndKeepsWhatItDoesNotName) {
    IioSettings settings;
    settings.device = "from-the-command-line";
    std::string error;
    ASSERT_TRUE(ParseIioSettings("# probe board\r\n\n  channel = 2 \r\nsmall_scale=0.000298\n"
                                 "large_scale = 5.96e-4\nsysfs_root=/tmp/iio tree",
                                 settings, error))
        << error;
    EXPECT_EQ(settings.device, "from-the-command-line");
    EXPECT_EQ(settings.channel, 2u);
    EXPECT_EQ(settings.smallScale, "0.000298");
    EXPECT_EQ(settings.largeScale, "5.96e-4");
    EXPECT_EQ(settings.sysfsRoot, "/tmp/iio tree");
}

TEST(IioSettingsFile, ReadsDifferentialChannelsFrequencyAndPolarity) {
    const struct {
        const char* text;
        std::uint32_t channel;
        std::optional<std::uint32_t> negativeChannel;
        IioInputPolarity polarity;
    } cases[] = {
        {"channel=0-1\n", 0, 1, IioInputPolarity::Unipolar},
        {"channel=3-2\ninput=bipolar\n", 3, 2, IioInputPolarity::Bipolar},
        {"channel=0-1\nchannel=4\ninput=bipolar\ninput=unipolar\n", 4, std::nullopt,
         IioInputPolarity::Unipolar},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        IioSettings settings;
        std::string error;
        ASSERT_TRUE(ParseIioSettings(c.text, settings, error)) << error;
        EXPECT_EQ(settings.channel, c.channel);
        EXPECT_EQ(settings.negativeChannel, c.negativeChannel);
        EXPECT_EQ(settings.polarity, c.polarity);
    }
    IioSettings settings;
    std::string error;
    ASSERT_TRUE(ParseIioSettings("sampling_frequency = 16.7\n", settings, error)) << error;
    EXPECT_EQ(settings.samplingFrequency, "16.7");
}

TEST(IioSettingsFile, AnyBadLineFailsTheWholeFile) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"channel=1\ncolour=red\n", "line 2: unknown key 'colour'"},
        {"channel 1\n", "line 1: expected key=value, got 'channel 1'"},
        {"channel=-1\n", "line 1: bad value '-1' for channel"},
        {"channel=4294967296\n", "line 1: bad value '4294967296' for channel"},
        {"channel=\n", "line 1: bad value '' for channel"},
        {"small_scale=0,000298\n", "line 1: bad value '0,000298' for small_scale"},
        {"small_scale=0\n", "line 1: bad value '0' for small_scale"},
        {"large_scale=inf\n", "line 1: bad value 'inf' for large_scale"},
        {"device=\n", "line 1: bad value '' for device"},
        {"channel=1-\n", "line 1: bad value '1-' for channel"},
        {"channel=0-1-2\n", "line 1: bad value '0-1-2' for channel"},
        {"channel=0 - 1\n", "line 1: bad value '0 - 1' for channel"},
        {"sampling_frequency=0\n", "line 1: bad value '0' for sampling_frequency"},
        {"input=differential\n", "line 1: bad value 'differential' for input"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        IioSettings settings;
        std::string error;
        EXPECT_FALSE(ParseIioSettings(c.text, settings, error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(settings.channel, 0u); // nothing of a bad file is taken
    }
}

TEST(IioSettingsFile, ReadsOnlyARegularFileWithoutWaiting) {
    const TemporaryFolder folder;
    WriteHostFile(folder / "good", "device=probe-adc\n");
    WriteHostFile(folder / "bad", "device=probe-adc\nchanel=1\n");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "folder");
    const struct {
        const char* name;
        const char* error; // "": read
    } cases[] = {{"good", ""},
                 {"bad", "line 2: unknown key 'chanel'"},
                 {"missing", "No such file or directory"},
                 {"fifo", "Invalid argument"},
                 {"folder", "Is a directory"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IioSettings settings;
        std::string error;
        EXPECT_EQ(ReadIioSettingsFile(folder / c.name, settings, error), *c.error == '\0');
        EXPECT_EQ(error, *c.error == '\0' ? "" : folder / c.name + ": " + c.error);
        EXPECT_EQ(settings.device, *c.error == '\0' ? "probe-adc" : "");
    }
}

} // namespace
} // namespace slabcal
