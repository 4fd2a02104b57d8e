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

TEST(PortOptionsParse, ChoosesTheConverterDriver) {
    struct Case {
        std::vector<const char*> arguments;
        DeviceChoice device;
        std::string deviceName;
        std::string iioSettings;
    };
    const std::vector<Case> cases{
        {{"--device", "iio:ads1256"}, DeviceChoice::Iio, "ads1256", ""},
        {{"--device=iio:iio:device3"}, DeviceChoice::Iio, "iio:device3", ""},
        {{"--device", "iio", "--iio-settings", "adc.conf"}, DeviceChoice::Iio, "", "adc.conf"},
        {{"--device", "/dev/spa1"}, DeviceChoice::CharacterDevice, "/dev/spa1", ""},
        {{"--device", "/dev/spa1", "--device", "sim"}, DeviceChoice::Simulated, "", ""},
    };
    for (const auto& c : cases) {
        const auto parsed = std::get<PortOptions>(Parse(c.arguments));
        EXPECT_EQ(parsed.device, c.device) << c.arguments[1];
        EXPECT_EQ(parsed.deviceName, c.deviceName) << c.arguments[1];
        EXPECT_EQ(parsed.iioSettings, c.iioSettings) << c.arguments[1];
    }
    for (const std::vector<const char*>& bad : {std::vector<const char*>{"--device", "iio"},
                                                {"--device", "/"},
                                                {"--iio-settings", "adc.conf"},
                                                {"--device", "none", "--iio-settings", "adc.conf"}})
        EXPECT_TRUE(std::holds_alternative<OptionError>(Parse(bad))) << bad.back();
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

TEST(CommandLineParse, ReadsTheSubcommandsWithTheirOptionsAndRoot) {
    struct Case {
        std::vector<const char*> arguments;
        Subcommand subcommand;
        std::string root;
        std::string argument; // the record or the points file
        bool flag;            // --yes, or --write with --force
    };
    const std::vector<Case> cases{
        {{"history"}, Subcommand::History, "/default/root", "", false},
        {{"--root", "/r", "history"}, Subcommand::History, "/r", "", false},
        {{"-platform", "offscreen", "history", "--root=/s"}, Subcommand::History, "/s", "", false},
        {{"restore", "20240501T101112Z", "--yes"},
         Subcommand::Restore,
         "/default/root",
         "20240501T101112Z",
         true},
        {{"restore", "--root", "/r", "20240501T101112Z.json"},
         Subcommand::Restore,
         "/r",
         "20240501T101112Z.json",
         false},
        {{"fit", "points.csv", "--write", "--force"}, Subcommand::Fit, "/default/root", "points.csv", true},
        {{"fit", "points.csv"}, Subcommand::Fit, "/default/root", "points.csv", false},
    };
    for (const auto& c : cases) {
        std::vector<const char*> arguments = c.arguments;
        arguments.insert(arguments.begin(), "slabcal");
        const auto parsed = ParseCommandLine(arguments, "/default/root");
        ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed)) << std::get<OptionError>(parsed).message;
        const auto& line = std::get<CommandLine>(parsed);
        EXPECT_EQ(line.subcommand, c.subcommand) << c.arguments[0];
        EXPECT_EQ(line.port.root, c.root) << c.arguments[0];
        EXPECT_EQ(c.subcommand == Subcommand::Fit ? line.fit.pointsFile : line.restore.record, c.argument);
        EXPECT_EQ(c.subcommand == Subcommand::Fit ? line.fit.write && line.fit.force : line.restore.yes,
                  c.flag);
    }
    for (const std::vector<const char*>& bad : {std::vector<const char*>{"slabcal", "restore"},
                                                {"slabcal", "fit"},
                                                {"slabcal", "history", "extra"},
                                                {"slabcal", "fit", "p.csv", "--yes"},
                                                {"slabcal", "history", "fit", "p.csv"}})
        EXPECT_TRUE(std::holds_alternative<OptionError>(ParseCommandLine(bad, "/r"))) << bad.back();
    for (const std::vector<const char*>& bad : {std::vector<const char*>{"slabcal", "certificate", "r"},
                                                {"slabcal", "certificate", "-o", "c.pdf"},
                                                {"slabcal", "--curve-window", "maybe"}})
        EXPECT_TRUE(std::holds_alternative<OptionError>(ParseCommandLine(bad, "/r"))) << bad.back();
    const auto certificate = std::get<CommandLine>(
        ParseCommandLine(std::vector<const char*>{"slabcal", "certificate", "r", "-o", "c.pdf"}, "/r"));
    EXPECT_EQ(certificate.subcommand, Subcommand::Certificate);
    EXPECT_EQ(certificate.certificate.record, "r");
    EXPECT_EQ(certificate.certificate.output, "c.pdf");
    for (const auto& [value, choice] :
         {std::pair{"show", CurveWindowChoice::Show}, std::pair{"hide", CurveWindowChoice::Hide},
          std::pair{"auto", CurveWindowChoice::Auto}})
        EXPECT_EQ(std::get<CommandLine>(
                      ParseCommandLine(std::vector<const char*>{"slabcal", "--curve-window", value}, "/r"))
                      .port.curveWindow,
                  choice)
            << value;
    const auto help = ParseCommandLine(std::vector<const char*>{"slabcal", "restore", "--help"}, "/r");
    EXPECT_NE(std::get<CommandLine>(help).subcommandHelp.find("--yes"), std::string::npos);
}

TEST(PortOptionsUsage, NamesEveryOption) {
    const std::string usage = Usage("slabcal");
    for (const char* option : {"--root", "--device", "--sim-control", "--headless", "--help", "--version",
                               "-platform", "history", "restore", "fit", "certificate", "--curve-window"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

} // namespace
} // namespace slabcal
