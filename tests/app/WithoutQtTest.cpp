// The real program maps no Qt library where it needs none: the subcommands, --help and --version. The
// loader's own account of what it loads (LD_DEBUG=libs) is read; the certificate, which does load Qt, shows
// that the account would name a Qt library if one were loaded.
#include "app/SlabcalProcess.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <string>
#include <vector>

namespace slabcal {
namespace {

TEST(ProgramWithoutQt, SubcommandsLoadNoQtLibraryAndTheCertificateDoes) {
    TemporaryFolder folder;
    const std::string root = folder / "device";
    const std::string points = folder / "points.csv";
    WriteHostFile(points, "40,9895\n50,6991\n70,4140\n100,1922\n150,797\n200,376\n240,236\n250,8566\n"
                          "300,5180\n400,2343\n500,1266\n600,765\n700,500\n750,414\n800,346\n");
    const struct {
        std::vector<std::string> arguments;
        int status;
        bool loadsQt;
    } cases[] = {
        {{"history", "--root", root}, 0, false},
        {{"fit", points, "--root", root}, 0, false},
        {{"probe", "--device", "sim", "--count", "1"}, 0, false},
        {{"restore", "20250101T000000Z", "--yes", "--root", root}, 2, false},
        {{"--help"}, 0, false},
        {{"--version"}, 0, false},
        {{"certificate", "20250101T000000Z", "-o", folder / "c.pdf", "--root", root}, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const test::Finished finished = test::RunSlabcal(c.arguments, {"LD_DEBUG=libs"});
        EXPECT_FALSE(finished.timedOut);
        EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == c.status)
            << finished.status;
        ASSERT_NE(finished.errors.find("libstdc++"), std::string::npos)
            << "the loader gave no account of what it loaded:\n"
            << finished.errors;
        EXPECT_EQ(finished.errors.find("libQt") != std::string::npos, c.loadsQt) << finished.errors;
    }
}

} // namespace
} // namespace slabcal
