#include "platform/DeviceFileSystem.h"
#include "support/FaultyFileSystem.h"
#include "support/FileResultPrinting.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace slabcal {
namespace {

unsigned ModeOf(const std::string& hostPath) {
    struct stat status {};
    EXPECT_EQ(::stat(hostPath.c_str(), &status), 0) << hostPath;
    return status.st_mode & 07777U;
}

class DeviceFiles : public ::testing::Test {
protected:
    TemporaryFolder root;
    DeviceFileSystem files{root.Path()};
};

TEST_F(DeviceFiles, EverySeparatorFormNamesTheSameHostFile) {
    const std::string expected = root / "NandFlash/ZPQ.ini";
    for (const char* form :
         {"\\NandFlash\\ZPQ.ini", "NandFlash\\ZPQ.ini", "NandFlash//ZPQ.ini", "/NandFlash/ZPQ.ini",
          "\\\\NandFlash\\\\ZPQ.ini", "\\NandFlash/\\ZPQ.ini", "NandFlash/./ZPQ.ini"})
        EXPECT_EQ(files.HostPath(form), expected) << form;
    EXPECT_EQ(files.HostPath("\\"), root.Path());
    EXPECT_EQ(files.HostPath(""), root.Path());

    ASSERT_TRUE(files.CreateDirectory("\\NandFlash"));
    ASSERT_TRUE(files.ReplaceFile("NandFlash//ZPQ.ini", "one file"));
    std::string bytes;
    ASSERT_TRUE(files.ReadFile("\\NandFlash\\ZPQ.ini", bytes));
    EXPECT_EQ(bytes, "one file");
    EXPECT_EQ(ReadHostFile(expected), "one file");
}

TEST_F(DeviceFiles, NoPathLeavesTheRoot) {
    for (const char* escape : {"..", "\\..\\outside", "NandFlash\\..\\..\\outside", "/NandFlash/../ZPQ.ini",
                               "NandFlash//..//..//outside"})
        EXPECT_FALSE(files.HostPath(escape)) << escape;
    EXPECT_FALSE(files.HostPath(std::string("ZPQ.ini\0/../x", 13)));

    // An absolute host path is one more path under the root.
    EXPECT_EQ(files.HostPath("/etc/passwd"), root / "etc/passwd");
    std::string bytes;
    EXPECT_EQ(files.ReadFile("/etc/passwd", bytes).step, FileStep::Open);

    EXPECT_FALSE(files.CreateDirectory("..\\escaped"));
    EXPECT_EQ(files.ReplaceFile("\\..\\escaped.ini", "x").step, FileStep::Path);
    EXPECT_EQ(files.GetFileAttributes(".."), InvalidFileAttributes);
    EXPECT_FALSE(HostFileExists(root.Path() + "/../escaped"));
    EXPECT_FALSE(HostFileExists(root.Path() + "/../escaped.ini"));
}

TEST_F(DeviceFiles, AttributesOfFoldersAndFiles) {
    ASSERT_TRUE(files.CreateDirectory("\\NandFlash"));
    EXPECT_FALSE(files.CreateDirectory("\\NandFlash")) << "an existing folder is not created again";
    EXPECT_FALSE(files.CreateDirectory("\\Missing\\Child")) << "one level at a time";
    WriteHostFile(root / "NandFlash/ZPQ.ini", "x");

    EXPECT_EQ(files.GetFileAttributes("\\NandFlash"), FileAttributeDirectory);
    EXPECT_EQ(files.GetFileAttributes("\\"), FileAttributeDirectory);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\ZPQ.ini"), FileAttributeNormal);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\Missing.ini"), InvalidFileAttributes);

    const auto found = files.FindFirst("NandFlash/ZPQ.ini");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "ZPQ.ini");
    EXPECT_EQ(found->attributes, FileAttributeNormal);
    EXPECT_FALSE(files.FindFirst("\\NandFlash\\Missing.ini"));
}

// Read-only is the owner-write bit and nothing else, so it reads the same for root, who may write anyway.
TEST_F(DeviceFiles, ReadOnlyIsTheOwnerWriteBit) {
    ASSERT_TRUE(files.CreateDirectory("\\NandFlash"));
    const std::string file = root / "NandFlash/ZPQ.ini";
    WriteHostFile(file, "x");

    ASSERT_EQ(::chmod(file.c_str(), 0464), 0);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\ZPQ.ini"), FileAttributeReadOnly)
        << "group write is not enough";
    ASSERT_EQ(::chmod(file.c_str(), 0200), 0);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\ZPQ.ini"), FileAttributeNormal);

    ASSERT_TRUE(files.SetFileAttributes("\\NandFlash\\ZPQ.ini", FileAttributeReadOnly));
    EXPECT_EQ(ModeOf(file) & 0222U, 0U);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\ZPQ.ini"), FileAttributeReadOnly);
    ASSERT_TRUE(files.SetFileAttributes("\\NandFlash\\ZPQ.ini", FileAttributeNormal));
    EXPECT_EQ(ModeOf(file) & 0200U, 0200U);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\ZPQ.ini"), FileAttributeNormal);

    ASSERT_EQ(::chmod((root / "NandFlash").c_str(), 0555), 0);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash"), FileAttributeDirectory | FileAttributeReadOnly);
    EXPECT_FALSE(files.SetFileAttributes("\\NandFlash\\Missing.ini", FileAttributeNormal));
}

TEST(DeviceFileRoot, EnsureRootCreatesMissingLevels) {
    TemporaryFolder scratch;
    DeviceFileSystem files(scratch / "a/b/device");
    ASSERT_TRUE(files.EnsureRoot());
    ASSERT_TRUE(files.EnsureRoot()) << "an existing root is fine";
    EXPECT_EQ(files.GetFileAttributes("\\"), FileAttributeDirectory);

    WriteHostFile(scratch / "file", "x");
    EXPECT_EQ(DeviceFileSystem(scratch / "file/device").EnsureRoot().step, FileStep::MakeFolder);
}

TEST(DeviceFileRead, ReadErrorsAreReportedAndReturnNoBytes) {
    TemporaryFolder root;
    FaultyFileSystem host;
    DeviceFileSystem files(root.Path(), host);
    WriteHostFile(root / "ZPQ.ini", "content");

    std::string bytes = "stale";
    host.Inject(FaultPlan::Failing(EIO).OnlyCalls(FileCall::Read));
    EXPECT_EQ(files.ReadFile("ZPQ.ini", bytes), FileResult::Failure(FileStep::Read, EIO));
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(host.CallCount(FileCall::Close), 1U) << "the descriptor is released";

    EXPECT_EQ(files.ReadFile("Missing.ini", bytes), FileResult::Failure(FileStep::Open, ENOENT));
    EXPECT_EQ(files.ReadFile("\\", bytes), FileResult::Failure(FileStep::Open, EISDIR))
        << "a folder is not a file";
}

} // namespace
} // namespace slabcal
