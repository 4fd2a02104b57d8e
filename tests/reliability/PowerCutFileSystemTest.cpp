// The power-cut model must itself catch the faults it is there for; otherwise a save that passes over it
// proves nothing. Each case is the classic mistake, then its repair.
#include "support/PowerCutFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace slabcal {
namespace {

constexpr std::string_view NewBytes = "new bytes";

class PowerCutModel : public ::testing::Test {
protected:
    void SetUp() override { disk.Start({{"/d"}, {{"/d/f", "old"}}}); }

    // Writes NewBytes to a new file /d/tmp, flushed or not, and closes it.
    void WriteTemporary(bool flush) {
        const int file = disk.CreateNew("/d/tmp", 0644);
        ASSERT_GE(file, 0);
        ASSERT_EQ(disk.Write(file, NewBytes.data(), NewBytes.size()), static_cast<ssize_t>(NewBytes.size()));
        if (flush) {
            ASSERT_EQ(disk.SyncFile(file), 0);
        }
        ASSERT_EQ(disk.Close(file), 0);
    }

    // What /d/f holds on each disk the cut may leave.
    [[nodiscard]] std::vector<std::optional<std::string>> Survivors(const std::string& path = "/d/f") const {
        std::vector<std::optional<std::string>> found;
        for (const auto& image : disk.PossibleDisks())
            if (std::find(found.begin(), found.end(), image.File(path)) == found.end())
                found.push_back(image.File(path));
        std::sort(found.begin(), found.end());
        return found;
    }

    PowerCutFileSystem disk;
};

using Contents = std::vector<std::optional<std::string>>;

TEST_F(PowerCutModel, BytesRenamedBeforeTheyWereFlushedCanSurviveAsAnEmptyFile) {
    WriteTemporary(false);
    ASSERT_EQ(disk.Rename("/d/tmp", "/d/f"), 0);
    ASSERT_EQ(disk.SyncFolder("/d"), 0);
    EXPECT_EQ(Survivors(), (Contents{""}));
    EXPECT_EQ(disk.Visible().File("/d/f"), NewBytes);
}

TEST_F(PowerCutModel, ARenameIsCertainOnlyOnceItsFolderIsFlushed) {
    WriteTemporary(true);
    ASSERT_EQ(disk.Rename("/d/tmp", "/d/f"), 0);
    EXPECT_EQ(Survivors(), (Contents{std::string(NewBytes), "old"}));
    ASSERT_EQ(disk.SyncFolder("/d"), 0);
    EXPECT_EQ(Survivors(), (Contents{std::string(NewBytes)}));
}

TEST_F(PowerCutModel, ANewFolderNeedsItsParentFlushed) {
    ASSERT_EQ(disk.MakeFolder("/d/sub", 0755), 0);
    const int file = disk.CreateNew("/d/sub/g", 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(disk.SyncFile(file), 0);
    ASSERT_EQ(disk.Close(file), 0);
    ASSERT_EQ(disk.SyncFolder("/d/sub"), 0);
    EXPECT_EQ(Survivors("/d/sub/g"), (Contents{std::nullopt, ""}));
    ASSERT_EQ(disk.SyncFolder("/d"), 0);
    EXPECT_EQ(Survivors("/d/sub/g"), (Contents{""}));
}

TEST_F(PowerCutModel, AfterTheCutEveryCallFailsAndChangesNothing) {
    disk.CutAfter(1);
    const int file = disk.CreateNew("/d/tmp", 0644);
    ASSERT_GE(file, 0);
    EXPECT_TRUE(disk.PowerIsOff());
    EXPECT_EQ(disk.Write(file, "x", 1), -EIO);
    EXPECT_EQ(disk.SyncFile(file), -EIO);
    EXPECT_EQ(disk.Rename("/d/tmp", "/d/f"), -EIO);
    EXPECT_EQ(disk.SyncFolder("/d"), -EIO);
    EXPECT_EQ(disk.CallCount(), 1U);
    EXPECT_EQ(disk.Visible().File("/d/f"), "old");
    EXPECT_EQ(Survivors(), (Contents{"old"}));
    EXPECT_EQ(Survivors("/d/tmp"), (Contents{std::nullopt, ""}));

    disk.Start({{"/d"}, {{"/d/f", "old"}}});
    EXPECT_FALSE(disk.PowerIsOff());
    EXPECT_EQ(disk.SyncFolder("/d"), 0);
}

} // namespace
} // namespace slabcal
