// The write command against the kernel's own faults rather than the file-system seam: a full disk, a
// read-only mount, a FIFO, an endless or sparse file in the parameter file's place, a file of another user.
// Mounting needs root; where the kernel refuses, the test says so and is skipped.
#include "reliability/HeadlessCalibration.h"
#include "support/ChildCommand.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace slabcal {
namespace {

const std::vector<std::string> WriteFailed{std::string(texts::ConfirmSave),
                                           std::string(texts::ParameterFileWriteFailed)};

struct Node {
    mode_t type;
    off_t size;
};

Node NodeAt(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return {static_cast<mode_t>(status.st_mode & S_IFMT), status.st_size};
}

// A device root whose NandFlash folder is a mount point, unmounted again at the end.
class MountedFlash final {
public:
    explicit MountedFlash(const std::string& flash) : point(flash) { ::mkdir(point.c_str(), 0755); }
    ~MountedFlash() {
        if (mounted)
            ::umount2(point.c_str(), MNT_DETACH);
    }
    MountedFlash(const MountedFlash&) = delete;
    MountedFlash& operator=(const MountedFlash&) = delete;

    // Empty when mounted, else why not.
    std::string Mount(const char* source, const char* type, unsigned long flags, const char* options) {
        if (::mount(source, point.c_str(), type, flags, options) != 0)
            return std::string("mount refused: ") + std::strerror(errno) + " (needs root)";
        mounted = true;
        return {};
    }

private:
    std::string point;
    bool mounted = false;
};

// Fills a disk until the kernel says ENOSPC: with one growing file, or with empty files until no inode is
// left.
void FillUp(const std::string& folder, bool inodes) {
    if (inodes) {
        for (int i = 0;; ++i) {
            const int file = ::open((folder + "/fill" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644);
            if (file < 0) {
                ASSERT_EQ(errno, ENOSPC);
                return;
            }
            ::close(file);
        }
    }
    const int file = ::open((folder + "/fill").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(file, 0);
    const std::string block(4096, 'x');
    while (::write(file, block.data(), block.size()) > 0) {
    }
    EXPECT_EQ(errno, ENOSPC);
    ::close(file);
}

class RealFaults : public ::testing::Test {
protected:
    std::string Flash() const { return root / "NandFlash"; }
    std::string Parameter() const { return ParameterFileUnder(root.Path()); }

    TemporaryFolder root;
    DeviceFileSystem files{root.Path()};
};

// A full disk, by bytes and by inodes: the save is refused, the old file stays whole, and once there is
// room again the next save goes through and leaves no temporary file.
TEST_F(RealFaults, FullDiskRefusesTheSaveAndKeepsTheOldFile) {
    for (const bool inodes : {false, true}) {
        SCOPED_TRACE(inodes ? "no inode left" : "no byte left");
        MountedFlash flash(Flash());
        if (const auto refused = flash.Mount("tmpfs", "tmpfs", 0, "size=64k,nr_inodes=64"); !refused.empty())
            GTEST_SKIP() << refused;
        HeadlessCalibration calibration(files);
        ASSERT_TRUE(calibration.Save().Succeeded());
        const std::string stored = ReadHostFile(Parameter());

        FillUp(Flash(), inodes);
        calibration.UseVariant(1);
        EXPECT_EQ(calibration.Save().boxes, WriteFailed);
        EXPECT_EQ(ReadHostFile(Parameter()), stored);

        for (const auto& entry : std::filesystem::directory_iterator(Flash()))
            if (entry.path().filename().string().starts_with("fill"))
                std::filesystem::remove(entry.path());
        EXPECT_TRUE(calibration.Save().Succeeded());
        EXPECT_NE(ReadHostFile(Parameter()), stored);
        for (const auto& entry : std::filesystem::directory_iterator(Flash()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << "a leftover";
    }
}

TEST_F(RealFaults, ReadOnlyMountRefusesTheSave) {
    TemporaryFolder source;
    WriteHostFile(source / "ZPQ.ini", "VORKAPELMIX\r\nSerial=123\r\n");
    MountedFlash flash(Flash());
    if (const auto refused = flash.Mount(source.Path().c_str(), nullptr, MS_BIND, nullptr); !refused.empty())
        GTEST_SKIP() << refused;
    if (::mount(nullptr, Flash().c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        GTEST_SKIP() << "read-only remount refused: " << std::strerror(errno);

    HeadlessCalibration calibration(files);
    EXPECT_EQ(calibration.Save().boxes, WriteFailed);
    EXPECT_EQ(ReadHostFile(Parameter()), "VORKAPELMIX\r\nSerial=123\r\n");
}

// Whatever stands in the parameter file's place that is not a small regular file is neither read whole
// nor waited on nor replaced.
TEST_F(RealFaults, NonRegularOrHugeParameterFileIsRefusedUntouched) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
    };
    const std::vector<Case> cases{
        {"FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }},
        {"link to /dev/zero",
         [](const std::string& path) { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); }},
        {"sparse 8 GiB file",
         [](const std::string& path) {
             const int file = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
             ASSERT_GE(file, 0);
             ASSERT_EQ(::ftruncate(file, off_t{8} << 30), 0);
             ::close(file);
         }},
        {"folder", [](const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0); }},
    };
    ASSERT_EQ(::mkdir(Flash().c_str(), 0755), 0);
    HeadlessCalibration calibration(files);
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        make(Parameter());
        const Node before = NodeAt(Parameter());
        EXPECT_EQ(calibration.Save().boxes, WriteFailed);
        const Node after = NodeAt(Parameter());
        EXPECT_EQ(after.type, before.type);
        EXPECT_EQ(after.size, before.size);
        std::filesystem::remove_all(Parameter());
    }
}

// A save by root keeps a file of another user that user's, readable by nobody else, and so are its backup
// and its record; the folders it makes belong to the flash folder's owner, whose own saves then still make
// their backup.
TEST_F(RealFaults, SaveByRootKeepsOwnerAndModeOfAnotherUsersFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand files to another user";
    constexpr uid_t User = 4242;
    ASSERT_EQ(::chown(root.Path().c_str(), User, User), 0);
    ASSERT_EQ(::mkdir(Flash().c_str(), 0755), 0);
    ASSERT_EQ(::chown(Flash().c_str(), User, User), 0);
    WriteHostFile(Parameter(), "VORKAPELMIX\r\nSerial=123\r\n");
    ASSERT_EQ(::chown(Parameter().c_str(), User, User), 0);
    ASSERT_EQ(::chmod(Parameter().c_str(), 0600), 0);

    {
        HeadlessCalibration calibration(files);
        ASSERT_TRUE(calibration.Save().Succeeded());
    }
    std::vector<std::string> paths{Parameter(), BackupFileUnder(root.Path()), Flash() + "/BackUp",
                                   Flash() + "/Calibration"};
    for (const auto& entry : std::filesystem::directory_iterator(Flash() + "/Calibration"))
        paths.push_back(entry.path().string());
    ASSERT_EQ(paths.size(), 5U) << "one record";
    for (const std::string& path : paths) {
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0) << path;
        EXPECT_EQ(status.st_uid, User) << path;
        EXPECT_EQ(status.st_gid, User) << path;
        if (S_ISREG(status.st_mode)) {
            EXPECT_EQ(status.st_mode & 07777, 0600U) << path;
        }
    }

    // The owner saves again (other values), backup included. The build tree may lie where the owner cannot
    // go (a clone in root's 0700 home), so the save loop runs from a copy beside the device root.
    const TemporaryFolder programs;
    const std::string saveLoop = programs / "save-loop";
    std::filesystem::copy_file(SLABCAL_SAVE_LOOP, saveLoop);
    ASSERT_EQ(::chmod(programs.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(saveLoop.c_str(), 0755), 0);
    constexpr int Unreachable = 5;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(User) != 0 || ::setuid(User) != 0)
            ::_exit(3);
        if (::access(saveLoop.c_str(), X_OK) != 0 || ::access(root.Path().c_str(), W_OK | X_OK) != 0)
            ::_exit(Unreachable);
        std::vector<std::string> command = ChildCommand(saveLoop, {root.Path(), "5", "2"});
        ::execvp(command.front().c_str(), ArgumentPointers(command).data());
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == Unreachable)
        GTEST_SKIP() << "uid " << User << " cannot reach " << saveLoop << " or " << root.Path()
                     << ": the temporary folder lies where other users cannot go (set TMPDIR to /tmp)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the owner's saves failed";
}

} // namespace
} // namespace slabcal
