#include "platform/DeviceRootLock.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace slabcal {
namespace {

// The line an acquisition was turned away with; empty when it got the lock.
std::string Refusal(const std::variant<DeviceRootLock, std::string>& acquired) {
    const auto* line = std::get_if<std::string>(&acquired);
    return line != nullptr ? *line : std::string();
}

// flock locks belong to the open file, so a second open in this process conflicts like another process.
TEST(DeviceRootLock, OneHolderPerRootUntilTheLastOwnerReleasesIt) {
    TemporaryFolder root;
    TemporaryFolder otherRoot;
    const std::string pid = std::to_string(::getpid());
    const std::string busy = root.Path() + " is in use by another slabcal (pid " + pid + ")";

    auto first = DeviceRootLock::Acquire(root.Path());
    ASSERT_EQ(Refusal(first), "");
    EXPECT_EQ(ReadHostFile(root / ".slabcal.lock"), pid + "\n");
    EXPECT_EQ(Refusal(DeviceRootLock::Acquire(root.Path())), busy);
    EXPECT_EQ(Refusal(DeviceRootLock::Acquire(otherRoot.Path())), "");
    {
        DeviceRootLock moved = std::move(std::get<DeviceRootLock>(first));
        first = std::string("moved out"); // destroys the moved-from lock, which must not release it
        EXPECT_EQ(Refusal(DeviceRootLock::Acquire(root.Path())), busy);
    }
    EXPECT_EQ(Refusal(DeviceRootLock::Acquire(root.Path())), "");
}

// The lock is on the root folder: whatever is done to the file naming the holder, a newcomer is turned
// away until the holder lets go, and then takes the root and names itself.
TEST(DeviceRootLock, HoldsWhateverHappensToTheHolderFile) {
    const struct {
        const char* what;
        void (*spoil)(const std::string& holderFile);
        bool namesHolder;
    } cases[] = {
        {"removed", [](const std::string& file) { ASSERT_EQ(::unlink(file.c_str()), 0); }, false},
        {"replaced by a folder",
         [](const std::string& file) {
             ASSERT_EQ(::unlink(file.c_str()), 0);
             ASSERT_EQ(::mkdir(file.c_str(), 0755), 0);
         },
         false},
        {"left alone", [](const std::string&) {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryFolder root;
        const std::string holderFile = root / ".slabcal.lock";
        const std::string busy = root.Path() + " is in use by another slabcal";
        const std::string pid = std::to_string(::getpid());
        {
            const auto held = DeviceRootLock::Acquire(root.Path());
            ASSERT_EQ(Refusal(held), "");
            c.spoil(holderFile);
            EXPECT_EQ(Refusal(DeviceRootLock::Acquire(root.Path())),
                      c.namesHolder ? busy + " (pid " + pid + ")" : busy);
        }
        if (std::filesystem::is_directory(holderFile))
            std::filesystem::remove(holderFile);
        EXPECT_EQ(Refusal(DeviceRootLock::Acquire(root.Path())), "");
        EXPECT_EQ(ReadHostFile(holderFile), pid + "\n");
    }
}

// The file is truncated and written, so a link in its place would let it overwrite any file.
TEST(DeviceRootLock, NeverWritesThroughALink) {
    TemporaryFolder root;
    const std::string lockFile = root / ".slabcal.lock";
    WriteHostFile(root / "elsewhere", "kept");
    ASSERT_EQ(::symlink((root / "elsewhere").c_str(), lockFile.c_str()), 0);
    EXPECT_EQ(Refusal(DeviceRootLock::Acquire(root.Path())), "cannot lock the device root " + root.Path() +
                                                                 ": open " + lockFile +
                                                                 ": Too many levels of symbolic links");
    EXPECT_EQ(ReadHostFile(root / "elsewhere"), "kept");
}

} // namespace
} // namespace slabcal
