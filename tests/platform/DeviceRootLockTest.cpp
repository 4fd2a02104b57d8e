#include "platform/DeviceRootLock.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
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
