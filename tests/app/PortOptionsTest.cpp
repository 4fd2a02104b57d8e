#include "app/PortOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace slabcal {
namespace {

std::variant<PortOptions, OptionError> Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "slabcal");
    return ParsePortOptions(arguments, "/default/root");
}

TEST(PortOptionsParse, DefaultsAreTheSimulatedGaugeAndTheDefaultRoot) {
    auto parsed = std::get<PortOptions>(Parse({}));
    EXPECT_EQ(parsed.root, "/default/root");
    EXPECT_EQ(parsed.device, DeviceChoice::Simulated);
    EXPECT_TRUE(parsed.simControl.empty());
    EXPECT_FALSE(parsed.help);
}

TEST(PortOptionsParse, ReadsEachOptionInBothSpellings) {
    auto parsed = std::get<PortOptions>(Parse({"--root", "/r", "--device=none", "--version", "--headless"}));
    EXPECT_EQ(parsed.root, "/r");
    EXPECT_TRUE(parsed.headless);
    EXPECT_EQ(parsed.device, DeviceChoice::None);
    EXPECT_TRUE(parsed.version);

    parsed = std::get<PortOptions>(Parse({"--root=/s", "--sim-control", "ctl.txt", "--device", "sim", "-h"}));
    EXPECT_EQ(parsed.root, "/s");
    EXPECT_EQ(parsed.simControl, "ctl.txt");
    EXPECT_TRUE(parsed.help);
}

TEST(PortOptionsParse, LeavesQtsPlatformOptionsToQt) {
    auto parsed = std::get<PortOptions>(Parse({"-platform", "offscreen", "--device", "none", "-reverse"}));
    EXPECT_EQ(parsed.device, DeviceChoice::None);
}

TEST(PortOptionsParse, RefusesUnknownOptionsAndBadValuesNamingThem) {
    EXPECT_NE(std::get<OptionError>(Parse({"--frobnicate"})).message.find("--frobnicate"), std::string::npos);
    EXPECT_NE(std::get<OptionError>(Parse({"-x"})).message.find("-x"), std::string::npos);
    EXPECT_NE(std::get<OptionError>(Parse({"--device", "usb"})).message.find("usb"), std::string::npos);
    EXPECT_NE(std::get<OptionError>(Parse({"--root"})).message.find("--root"), std::string::npos);
    EXPECT_NE(std::get<OptionError>(Parse({"--root="})).message.find("--root"), std::string::npos);
    EXPECT_NE(std::get<OptionError>(Parse({"--device"})).message.find("--device"), std::string::npos);
    EXPECT_NE(std::get<OptionError>(Parse({"--device", "none", "--sim-control", "f"}))
                  .message.find("--sim-control"),
              std::string::npos);
}

TEST(PortOptionsUsage, NamesEveryOption) {
    const std::string usage = Usage("slabcal");
    for (const char* option :
         {"--root", "--device", "--sim-control", "--headless", "--help", "--version", "-platform"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

} // namespace
} // namespace slabcal
