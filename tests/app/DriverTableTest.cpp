#include "app/PortOptions.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace slabcal {
namespace {

// From the command line to the converter start-up binds: the entry --device names makes it from its own
// options, or says in one line why it cannot.
TEST(DriverTable, TheEntryTheCommandLineNamesMakesTheConverterOrSaysWhyNot) {
    TemporaryFolder folder;
    const std::string named = folder / "named.conf";
    const std::string unnamed = folder / "unnamed.conf";
    WriteHostFile(named, "device=probe-adc\n");
    WriteHostFile(unnamed, "channel=2\n");
    const struct {
        std::vector<std::string> arguments;
        bool driver;
        std::string error;
    } cases[] = {
        {{}, true, ""},
        {{"--device", "sim", "--sim-control", folder / "control"}, true, ""},
        {{"--device", "none"}, false, ""},
        {{"--device", "iio:probe-adc"}, true, ""},
        {{"--device", "iio", "--iio-settings", named}, true, ""},
        {{"--device", "iio", "--iio-settings", unnamed},
         false,
         "no IIO device given: --device iio:NAME, or device= in " + unnamed},
        {{"--device", "iio:adc", "--iio-settings", folder / "missing"}, false, folder / "missing"},
        {{"--device", "/dev/spa1"}, true, ""},
    };
    for (const auto& c : cases) {
        std::vector<const char*> arguments{"slabcal"};
        for (const auto& argument : c.arguments)
            arguments.push_back(argument.c_str());
        SCOPED_TRACE(arguments.back());
        const auto options = std::get<CommandLine>(ParseCommandLine(arguments, folder.Path())).port;
        const MadeDriver made = options.driver->make(options.driverRequest);
        EXPECT_EQ(made.driver != nullptr, c.driver);
        EXPECT_EQ(made.error.rfind(c.error, 0), 0U) << made.error;
        EXPECT_EQ(made.error.empty(), c.error.empty()) << made.error;
    }
}

} // namespace
} // namespace slabcal
