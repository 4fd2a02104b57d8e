// `slabcal certificate` as a user runs it, where it used to fail: with Qt's -platform on a machine without
// a display (Qt aborted, status 134), without a Chinese font (a blank PDF, status 0) and with a device
// node as its output (replaced by the PDF, status 0).
#include "app/SlabcalProcess.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace slabcal {
namespace {

TEST(CertificateProgram, DrawsWithoutADisplayAndFailsInOneLineWithoutItsFontOrAFile) {
    TemporaryFolder folder;
    const std::string root = folder / "root";
    std::string points = "height,signal\n";
    for (const auto& point : test::ModelPoints())
        points += point.height + "," + point.signal + "\n";
    WriteHostFile(folder / "points.csv", points);
    const auto made = test::RunSlabcal({"fit", folder / "points.csv", "--write", "--root", root}, {});
    ASSERT_TRUE(WIFEXITED(made.status) && WEXITSTATUS(made.status) == 0) << made.errors;
    const auto record = std::filesystem::directory_iterator(root + "/NandFlash/Calibration")->path();

    // Fontconfig with Latin fonts only, and with those fonts calling themselves WenQuanYi Micro Hei.
    const std::string latinFonts = "/usr/share/fonts/truetype/dejavu";
    const auto fontconfig = [&](const std::string& name, const std::string& rules) {
        WriteHostFile(folder / name, "<?xml version=\"1.0\"?>\n<fontconfig><dir>" + latinFonts +
                                         "</dir><cachedir>" + (folder / name) + ".cache</cachedir>" + rules +
                                         "</fontconfig>\n");
        return "FONTCONFIG_FILE=" + (folder / name);
    };
    const std::string latin = fontconfig("latin.conf", "");
    const std::string misnamed =
        fontconfig("misnamed.conf", R"(<match target="scan"><edit name="family" mode="assign_replace">)"
                                    R"(<string>WenQuanYi Micro Hei</string></edit></match>)");
    const std::string device = folder / "full";
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    }
    const struct {
        const char* name;
        std::string output;
        std::vector<std::string> options;
        std::vector<std::string> environment;
        int status;
        std::string says; // in the one line on standard error; empty: nothing on it
    } cases[] = {
        {"-platform xcb, no X server", folder / "xcb.pdf", {"-platform", "xcb"}, {"DISPLAY=:97"}, 0, ""},
        {"no Chinese font",
         folder / "latin.pdf",
         {},
         {latin},
         1,
         "no font for the certificate's Chinese texts; install fonts-wqy-microhei"},
        {"a font without the Chinese glyphs",
         folder / "misnamed.pdf",
         {},
         {misnamed},
         1,
         "cannot show U+697C of \"楼板厚度仪标定证书\"; install fonts-wqy-microhei"},
        {"a device", device, {}, {}, 2, " is a character device, not a regular file; no certificate written"},
    };
    // Else Qt's offscreen platform says it chose a runtime folder of its own, before the line looked at.
    const std::string runtime = "XDG_RUNTIME_DIR=" + (folder / "runtime");
    std::filesystem::create_directory(folder / "runtime");
    std::filesystem::permissions(folder / "runtime", std::filesystem::perms::owner_all);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if ((c.output == device && !asRoot) ||
            (c.environment == std::vector{misnamed} && !std::filesystem::exists(latinFonts)))
            continue;
        std::vector<std::string> environment = c.environment;
        environment.push_back(runtime);
        std::vector<std::string> arguments{
            "certificate", record.filename().string(), "-o", c.output, "--root", root};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const auto finished = test::RunSlabcal(arguments, environment);
        EXPECT_FALSE(finished.timedOut);
        EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == c.status)
            << finished.status;
        if (c.status == 0) {
            EXPECT_EQ(finished.errors, "");
            EXPECT_EQ(ReadHostFile(c.output).rfind("%PDF-", 0), 0U);
            continue;
        }
        EXPECT_TRUE(finished.errors.starts_with("slabcal: ") &&
                    finished.errors.find('\n') == finished.errors.size() - 1)
            << finished.errors;
        EXPECT_NE(finished.errors.find(c.says), std::string::npos) << finished.errors;
        struct stat node {};
        if (c.output == device) {
            EXPECT_TRUE(::lstat(device.c_str(), &node) == 0 && S_ISCHR(node.st_mode));
        } else {
            EXPECT_FALSE(HostFileExists(c.output));
        }
    }
}

} // namespace
} // namespace slabcal
