#include "app/PortOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace slabcal {
namespace {

std::variant<CommandLine, OptionError> ParseLine(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "slabcal");
    return ParseCommandLine(arguments, "/default/root");
}

// The window's options of the command line.
std::variant<PortOptions, OptionError> Parse(std::vector<const char*> arguments) {
    auto parsed = ParseLine(std::move(arguments));
    if (auto* error = std::get_if<OptionError>(&parsed))
        return std::move(*error);
    return std::move(std::get<CommandLine>(parsed).port);
}

TEST(PortOptionsParse, DefaultsAreTheSimulatedGaugeAndTheDefaultRoot) {
    auto parsed = std::get<PortOptions>(Parse({}));
    EXPECT_EQ(parsed.root, "/default/root");
    EXPECT_EQ(parsed.driver->name, "sim");
    EXPECT_TRUE(parsed.driverRequest.options.empty());
    EXPECT_TRUE(std::get<CommandLine>(ParseLine({})).help.empty());
}

TEST(PortOptionsParse, ReadsEachOptionInBothSpellings) {
    auto parsed = std::get<PortOptions>(Parse({"--root", "/r", "--device=none", "--version", "--headless"}));
    EXPECT_EQ(parsed.root, "/r");
    EXPECT_TRUE(parsed.headless);
    EXPECT_EQ(parsed.driver->name, "none");
    EXPECT_TRUE(parsed.version);

    const auto line =
        std::get<CommandLine>(ParseLine({"--root=/s", "--sim-control", "ctl.txt", "--device", "sim", "-h"}));
    EXPECT_EQ(line.port.root, "/s");
    EXPECT_EQ(line.port.driverRequest.Option("--sim-control"), "ctl.txt");
    EXPECT_FALSE(line.help.empty());
}

TEST(PortOptionsParse, ChoosesTheConverterDriver) {
    struct Case {
        std::vector<const char*> arguments;
        std::string_view driver;
        std::string argument;
        std::string iioSettings;
    };
    const std::vector<Case> cases{
        {{"--device", "iio:ads1256"}, "iio", "ads1256", ""},
        {{"--device=iio:iio:device3"}, "iio", "iio:device3", ""},
        {{"--device", "iio", "--iio-settings", "adc.conf"}, "iio", "", "adc.conf"},
        {{"--device", "/dev/spa1"}, "chardev", "/dev/spa1", ""},
        {{"--device", "/dev/spa1", "--device", "sim"}, "sim", "", ""},
    };
    for (const auto& c : cases) {
        const auto parsed = std::get<PortOptions>(Parse(c.arguments));
        EXPECT_EQ(parsed.driver->name, c.driver) << c.arguments[1];
        EXPECT_EQ(parsed.driverRequest.argument, c.argument) << c.arguments[1];
        EXPECT_EQ(parsed.driverRequest.Option("--iio-settings"), c.iioSettings) << c.arguments[1];
    }
    for (const std::vector<const char*>& bad : {std::vector<const char*>{"--device", "iio"},
                                                {"--device", "/"},
                                                {"--iio-settings", "adc.conf"},
                                                {"--device", "none", "--iio-settings", "adc.conf"}})
        EXPECT_TRUE(std::holds_alternative<OptionError>(Parse(bad))) << bad.back();
}

TEST(PortOptionsParse, LeavesQtsPlatformOptionsToQt) {
    auto parsed = std::get<PortOptions>(Parse({"-platform", "offscreen", "--device", "none", "-reverse"}));
    EXPECT_EQ(parsed.driver->name, "none");
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
                                                {"slabcal", "fit", "p.csv", "--temperature", "150"},
                                                {"slabcal", "fit", "p.csv", "--humidity", "warm"},
                                                {"slabcal", "history", "fit", "p.csv"}})
        EXPECT_TRUE(std::holds_alternative<OptionError>(ParseCommandLine(bad, "/r"))) << bad.back();
    for (const std::vector<const char*>& bad : {std::vector<const char*>{"slabcal", "certificate", "r"},
                                                {"slabcal", "certificate", "-o", "c.pdf"},
                                                {"slabcal", "--curve-window", "maybe"},
                                                {"slabcal", "probe", "--count", "0"},
                                                {"slabcal", "probe", "--range", "medium"},
                                                {"slabcal", "probe", "--iio-settings", "a.conf"}})
        EXPECT_TRUE(std::holds_alternative<OptionError>(ParseCommandLine(bad, "/r"))) << bad.back();
    // The converter's options may follow the subcommand, as an integrator types them.
    const auto probe = std::get<CommandLine>(
        ParseCommandLine(std::vector<const char*>{"slabcal", "probe", "--device", "iio:adc", "--count", "3",
                                                  "--range", "large"},
                         "/r"));
    EXPECT_EQ(probe.subcommand, Subcommand::Probe);
    EXPECT_EQ(probe.port.driverRequest.argument, "adc");
    EXPECT_EQ(probe.probe.count, 3);
    EXPECT_EQ(probe.probe.range, ConverterRange::Large);
    const auto conditions = std::get<CommandLine>(
        ParseCommandLine(std::vector<const char*>{"slabcal", "fit", "p.csv", "--write", "--operator", "张三",
                                                  "--temperature", "21.5"},
                         "/r"));
    EXPECT_EQ(conditions.fit.conditions, (CalibrationConditions{"张三", 21.5, std::nullopt}));
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
    EXPECT_NE(std::get<CommandLine>(help).help.find("--yes"), std::string::npos);
}

TEST(PortOptionsUsage, NamesEveryOption) {
    const std::string usage = std::get<CommandLine>(ParseLine({"--help"})).help;
    for (const char* option : {"--root", "--device", "--sim-control", "--iio-settings", "--headless",
                               "--help", "--version", "-platform", "history", "restore", "fit", "certificate",
                               "probe", "--curve-window", "iio:NAME", "/dev/NODE", "none"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

} // namespace
} // namespace slabcal
