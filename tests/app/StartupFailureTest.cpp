// The real program where start-up must fail: every such failure is one line on standard error and exit
// status 2, before the converter is opened or a window shown. And where the converter fails to open: the
// program goes on, and says what failed.
#include "app/SlabcalProcess.h"
#include "platform/DeviceRootLock.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace slabcal {
namespace {

using test::Finished;
using test::RunSlabcal;

TEST(StartupFailures, EndInOneLineNamingTheCauseAndStatusTwo) {
    TemporaryFolder folder;
    const std::string file = folder / "file";
    const std::string busy = folder / "busy";
    WriteHostFile(file, "");
    std::filesystem::create_directory(busy);
    const auto lock = DeviceRootLock::Acquire(busy);
    ASSERT_TRUE(std::holds_alternative<DeviceRootLock>(lock));
    // A root whose holder's id file someone removed is still held: neither the window nor a save gets in.
    const std::string unnamed = folder / "unnamed";
    std::filesystem::create_directory(unnamed);
    const auto unnamedLock = DeviceRootLock::Acquire(unnamed);
    ASSERT_TRUE(std::holds_alternative<DeviceRootLock>(unnamedLock));
    std::filesystem::remove(unnamed + "/.slabcal.lock");
    const std::string points = folder / "points.csv";
    std::string csv;
    for (const auto& [height, signal] : test::ModelPoints())
        csv += height + "," + signal + "\n";
    WriteHostFile(points, csv);

    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        std::vector<std::string> says;
    } cases[] = {
        {{"--headless", "--device", "none", "--root", file}, {}, {file, "Not a directory"}},
        {{"--headless", "--device", "none", "--root", busy},
         {},
         {busy + " is in use by another slabcal (pid " + std::to_string(::getpid()) + ")"}},
        {{"--headless", "--device", "none", "--root", unnamed},
         {},
         {unnamed + " is in use by another slabcal\n"}},
        {{"fit", points, "--write", "--root", unnamed}, {}, {unnamed + " is in use by another slabcal\n"}},
        {{"-platform", "bogus", "--device", "none", "--root", folder / "qt"}, {}, {"Qt platform \"bogus\""}},
        // The board's platforms without their device: no screen, never a crash, and what the platform needs.
        {{"-platform", "linuxfb:fb=/dev/null", "--device", "none", "--root", folder / "qt"},
         {},
         {"Qt platform \"linuxfb\"", "frame buffer /dev/null", std::string(texts::LinuxFbHint)}},
        // Last: needs a display number no X server listens on.
        {{"-platform", "xcb", "--device", "none", "--root", folder / "qt"},
         {"DISPLAY=:97"},
         {"Qt platform \"xcb\"", "could not connect to display :97"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.environment.empty() ? c.arguments.front() + " ... " + c.arguments.back()
                                           : c.environment[0]);
        if (!c.environment.empty() && std::filesystem::exists("/tmp/.X11-unix/X97"))
            GTEST_SKIP() << "an X server listens on :97";
        const Finished finished = RunSlabcal(c.arguments, c.environment);
        EXPECT_FALSE(finished.timedOut);
        EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 2) << finished.status;
        EXPECT_TRUE(finished.errors.starts_with("slabcal: ") &&
                    finished.errors.find('\n') == finished.errors.size() - 1)
            << finished.errors;
        for (const auto& part : c.says)
            EXPECT_NE(finished.errors.find(part), std::string::npos) << part << " in " << finished.errors;
    }
}

// A converter that refuses to open goes on as before ("打开 ADC 驱动失败!", the dialog without it), and
// standard error says beside the box what failed: the attribute, the call and the error.
TEST(StartupFailures, AConverterThatCannotBeOpenedIsNamedBesideTheBox) {
    const TemporaryFolder folder;
    const std::string device = folder / "sys/iio:device0";
    std::filesystem::create_directories(device);
    WriteHostFile(device + "/name", "probe-adc\n");
    WriteHostFile(device + "/in_voltage0_raw", "5000000\n");
    const struct {
        const char* settings;
        const char* converter;
        std::string detail;
    } cases[] = {
        {"channel=0-1\n", "iio:probe-adc",
         device + "/in_voltage0-voltage1_raw: open: No such file or directory"},
        {"device=absent-adc\n", "iio:absent-adc",
         "no IIO device labelled or named 'absent-adc' under " + (folder / "sys")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteHostFile(folder / "iio.conf", "sysfs_root=" + (folder / "sys") + "\n" + c.settings);
        const Finished finished = RunSlabcal({"--headless", "--device", "iio:probe-adc", "--iio-settings",
                                              folder / "iio.conf", "--root", folder / "device"},
                                             {});
        EXPECT_FALSE(finished.timedOut);
        EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0) << finished.status;
        EXPECT_NE(finished.errors.find("] " + std::string(texts::OpenDriverFailed) + " -> "),
                  std::string::npos)
            << finished.errors;
        EXPECT_NE(finished.errors.find("slabcal: the AD converter (" + std::string(c.converter) +
                                       ") could not be opened: " + c.detail + "\n"),
                  std::string::npos)
            << finished.errors;
    }
}

} // namespace
} // namespace slabcal
