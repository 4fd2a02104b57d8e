#include "storage/FileCopier.h"
#include "storage/DevicePaths.h"
#include "support/FaultyFileSystem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace slabcal {
namespace {

class Backup : public ::testing::Test {
protected:
    TemporaryFolder root;
    FaultyFileSystem host;
    DeviceFileSystem files{root.Path(), host};
    FileCopier copier{files};
};

TEST_F(Backup, MissingFolderIsCreatedLevelByLevel) {
    EXPECT_TRUE(copier.EnsureFolder(std::string(BackupFolder)));
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash"), FileAttributeDirectory);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\BackUp"), FileAttributeDirectory);
}

TEST_F(Backup, TrailingSeparatorMakesNoDifference) {
    ASSERT_TRUE(files.CreateDirectory("\\NandFlash"));
    EXPECT_TRUE(copier.EnsureFolder("\\NandFlash\\BackUp"));
    host.Reset();
    EXPECT_TRUE(copier.EnsureFolder("\\NandFlash\\BackUp\\"));
    EXPECT_TRUE(copier.EnsureFolder("\\NandFlash\\BackUp"));
    EXPECT_EQ(host.CallCount(FileCall::MakeFolder), 0U) << "an existing folder is found at once";
}

TEST_F(Backup, EmptyFolderTextIsRefusedUntouched) {
    EXPECT_FALSE(copier.EnsureFolder(""));
    EXPECT_EQ(host.CallCount(), 0U);
}

TEST_F(Backup, FolderMustBeAPlainWritableFolder) {
    ASSERT_TRUE(files.CreateDirectory("\\NandFlash"));
    WriteHostFile(root / "NandFlash/BackUp", "a file in the way");
    EXPECT_FALSE(copier.EnsureFolder(std::string(BackupFolder)));
    EXPECT_EQ(ReadHostFile(root / "NandFlash/BackUp"), "a file in the way");

    // A read-only folder carries a second attribute bit: every level is tried again, and the answer is no.
    ASSERT_EQ(::chmod((root / "NandFlash").c_str(), 0555), 0);
    host.Reset();
    EXPECT_FALSE(copier.EnsureFolder("\\NandFlash\\"));
    EXPECT_EQ(host.CallCount(FileCall::MakeFolder), 1U);
}

class BackupCopy : public Backup {
protected:
    void SetUp() override {
        ASSERT_TRUE(copier.EnsureFolder(std::string(BackupFolder)));
        WriteHostFile(root / "NandFlash/ZPQ.ini", "new parameters");
    }
    [[nodiscard]] bool Copy() {
        return copier.CopyInto(std::string(ParameterFileCopySource), std::string(BackupFolder)).Succeeded();
    }

    std::string backup = root / "NandFlash/BackUp/ZPQ.ini";
};

TEST_F(BackupCopy, CopiesUnderItsOwnNameAndReplacesTheOldCopy) {
    ASSERT_TRUE(Copy());
    EXPECT_EQ(ReadHostFile(backup), "new parameters");

    WriteHostFile(root / "NandFlash/ZPQ.ini", "newer");
    ASSERT_EQ(::chmod(backup.c_str(), 0444), 0);
    ASSERT_TRUE(Copy());
    EXPECT_EQ(ReadHostFile(backup), "newer");
    EXPECT_EQ(ReadHostFile(root / "NandFlash/ZPQ.ini"), "newer");
    EXPECT_TRUE(copier.CopyInto("\\NandFlash\\ZPQ.ini", "\\NandFlash\\BackUp"))
        << "folder without trailing separator";
}

TEST_F(BackupCopy, FailedCopyLeavesThePreviousBackupWhole) {
    WriteHostFile(backup, "previous backup");
    for (const FaultPlan& plan : {FaultPlan::Failing(EIO).OnlyCalls(FileCall::Read),
                                  FaultPlan::Failing(EACCES).OnlyCalls(FileCall::CreateNew),
                                  FaultPlan::Failing(ENOSPC).OnlyCalls(FileCall::Write),
                                  FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFile),
                                  FaultPlan::Failing(EIO).OnlyCalls(FileCall::Rename)}) {
        host.Reset();
        host.Inject(plan);
        EXPECT_FALSE(Copy()) << FileCallName(*plan.only);
        EXPECT_EQ(ReadHostFile(backup), "previous backup") << FileCallName(*plan.only);
        std::vector<std::string> names;
        ASSERT_EQ(HostFileSystem().ListFolder(root / "NandFlash/BackUp", names), 0);
        EXPECT_EQ(names, std::vector<std::string>{"ZPQ.ini"}) << FileCallName(*plan.only);
    }
}

TEST_F(BackupCopy, MissingSourceOrFolderFails) {
    EXPECT_FALSE(copier.CopyInto("\\NandFlash\\Missing.ini", std::string(BackupFolder)));
    EXPECT_FALSE(copier.CopyInto(std::string(ParameterFileCopySource), "\\NandFlash\\Missing\\"));
    EXPECT_FALSE(copier.CopyInto("\\NandFlash\\", std::string(BackupFolder)));
    EXPECT_FALSE(HostFileExists(backup));
}

} // namespace
} // namespace slabcal
