// A calibration that is killed after five rows and started again: the real program, a real SIGKILL.
#include "app/SlabcalProcess.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/wait.h>

namespace slabcal {
namespace {

using namespace std::chrono_literals;

TEST(KeptWorksheetProgram, FiveRowsSurviveASigkillAndTheNextStartGoesOnAtTheSixth) {
    TemporaryFolder folder;
    const std::string root = folder / "device";
    const std::vector<std::string> arguments{"--headless", "--device", "none", "--root",
                                             root,         "--script", "-"};
    const CalibrationPoints points = test::ModelPoints();
    {
        test::SlabcalProcess first(arguments, {}, true);
        std::string script;
        for (std::size_t row = 0; row < 5; ++row)
            script += "height " + points[row].height + "\ntype " + points[row].signal + "\nsave\n";
        first.Type(script + "show\n");
        ASSERT_TRUE(first.WaitForOutput("> show\n", 20s)) << first.Output() << first.Errors();
        // Its script waits for more; reaping it is a SIGKILL, in the middle of the calibration.
        EXPECT_TRUE(WIFSIGNALED(first.Reap()));
    }
    test::SlabcalProcess second(arguments, {}, true);
    second.Type("show\n");
    second.EndInput();
    ASSERT_TRUE(second.WaitForOutput("> show\n", 20s)) << second.Output() << second.Errors();
    ASSERT_TRUE(second.WaitUntilEnded(20s));
    EXPECT_NE(second.Errors().find("[提示] 发现未完成的标定 (5 行), 继续吗？ -> Yes"), std::string::npos)
        << second.Errors();
    std::string table;
    for (std::size_t row = 0; row < 5; ++row)
        table +=
            "row " + std::to_string(row + 1) + ": " + points[row].height + ' ' + points[row].signal + '\n';
    EXPECT_NE(second.Output().find(table + "row 6:  \n"), std::string::npos) << second.Output();
    EXPECT_NE(second.Output().find("next row 6\nboundary signals 4140 797 1200 480\n"), std::string::npos)
        << second.Output();
    EXPECT_EQ(WEXITSTATUS(second.Reap()), 0);
}

} // namespace
} // namespace slabcal
