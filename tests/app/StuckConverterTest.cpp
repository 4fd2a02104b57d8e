// The real program on a converter whose driver hangs: an IIO tree served through FUSE whose raw attribute
// stops answering at the start-up check's open, at its initialisation or at the dialog's own open. The
// program must say so, go on without the converter, and, once its window is closed, end at once with the
// device root given back.
#include "acquisition/AdcDevice.h"
#include "app/SlabcalProcess.h"
#include "drivers/iio/LiveSysfs.h"
#include "platform/DeviceRootLock.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace slabcal {
namespace {

// The boxes the headless program echoed, in order.
std::vector<std::string> BoxTexts(const std::string& errors) {
    std::vector<std::string> texts;
    std::istringstream lines(errors);
    for (std::string line; std::getline(lines, line);) {
        const auto text = line.find("] ");
        const auto answer = line.rfind(" -> ");
        if (line.starts_with("[") && text != std::string::npos && answer != std::string::npos &&
            answer > text)
            texts.push_back(line.substr(text + 2, answer - text - 2));
    }
    return texts;
}

TEST(StuckConverter, StartUpSaysSoAndTheProgramEndsPromptlyWithTheRootFree) {
    const std::string opened(texts::OpenDriverFailed), initialised(texts::AdInitializationError);
    const struct {
        int hangingRead; // 1 the check's open, 2 its initialisation, 3 the dialog's open
        const char* when;
        std::vector<std::string> boxes;
    } cases[] = {
        {1, "opened", {opened, initialised, opened}},
        {2, "initialised", {initialised, opened}},
        {3, "opened", {opened}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hangingRead);
        const TemporaryFolder folder;
        std::filesystem::create_directory(folder / "mnt");
        std::optional<test::SlabcalProcess> program; // reaped only after the tree has let its read go
        test::LiveSysfs live([] { return std::int64_t{5'000'000}; });
        if (const std::string why = live.Mount(folder / "mnt"); !why.empty())
            GTEST_SKIP() << "no FUSE mount here, a hanging converter not tested: " << why;
        live.BlockRawReadsFrom(c.hangingRead);
        WriteHostFile(folder / "iio.conf", "sysfs_root=" + (folder / "mnt") + "\n");

        const auto start = std::chrono::steady_clock::now();
        program.emplace(std::vector<std::string>{"--headless", "--device", "iio:live-adc", "--iio-settings",
                                                 folder / "iio.conf", "--root", folder / "device"},
                        std::vector<std::string>{});
        // The read stays held: the program ends around it, a zombie until it returns, and gives the root
        // back first.
        EXPECT_TRUE(program->WaitUntilEnded(ConverterAnswerDeadline + std::chrono::seconds(2)));
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  ConverterAnswerDeadline + std::chrono::seconds(2));
        EXPECT_TRUE(std::holds_alternative<DeviceRootLock>(DeviceRootLock::Acquire(folder / "device")));
        live.Unblock();
        const int status = program->Reap();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        const std::string& errors = program->Errors();
        EXPECT_EQ(BoxTexts(errors), c.boxes) << errors;
        EXPECT_NE(errors.find(std::string("the AD converter (iio:live-adc) did not answer within ") +
                              std::to_string(ConverterAnswerDeadline.count()) + " ms when " + c.when),
                  std::string::npos)
            << errors;
    }
}

} // namespace
} // namespace slabcal
