// A file the user names for output, over every kind of node a path can name: only a new name or a regular
// file takes it; anything else is refused and left exactly as it was (tests run as root, so a device node
// is a real one, made with mknod).
#include "platform/OutputFile.h"
#include "platform/PosixFileSystem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace slabcal {
namespace {

struct Node {
    mode_t type = 0;
    dev_t device = 0;
    std::string linkTarget;
    friend bool operator==(const Node&, const Node&) = default;
};

Node Examine(const std::string& path) {
    struct stat node {};
    EXPECT_EQ(::lstat(path.c_str(), &node), 0) << path;
    Node seen{node.st_mode & S_IFMT, node.st_rdev, {}};
    if (S_ISLNK(node.st_mode))
        seen.linkTarget = std::filesystem::read_symlink(path).string();
    return seen;
}

TEST(WriteOutputFile, RefusesEveryNodeButARegularFileAndLeavesItAsItWas) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "device nodes need root";
    TemporaryFolder folder;
    WriteHostFile(folder / "regular", "old");
    int socketHolder = -1;
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        std::string says; // empty: written
    } cases[] = {
        {"full",
         [](const std::string& path) { ASSERT_EQ(::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0); },
         " is a character device, not a regular file"},
        {"loop",
         [](const std::string& path) { ASSERT_EQ(::mknod(path.c_str(), S_IFBLK | 0660, makedev(7, 0)), 0); },
         " is a block device, not a regular file"},
        {"fifo", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); },
         " is a FIFO, not a regular file"},
        {"socket",
         [&socketHolder](const std::string& path) {
             socketHolder = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             path.copy(address.sun_path, sizeof address.sun_path - 1);
             ASSERT_EQ(::bind(socketHolder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
         },
         " is a socket, not a regular file"},
        {"folder", [](const std::string& path) { std::filesystem::create_directory(path); },
         " is a folder, not a regular file"},
        {"link",
         [&folder](const std::string& path) { std::filesystem::create_symlink(folder / "regular", path); },
         " is a symbolic link, not a regular file"},
        {"dangling", [](const std::string& path) { std::filesystem::create_symlink("/nowhere/new", path); },
         " is a symbolic link, not a regular file"},
        {"new", [](const std::string&) {}, ""},
        {"regular", [](const std::string&) {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / c.name;
        c.make(path);
        if (c.says.empty()) {
            EXPECT_EQ(WriteOutputFile(HostFileSystem(), path, "new"), "");
            EXPECT_EQ(ReadHostFile(path), "new");
            continue;
        }
        const Node before = Examine(path);
        EXPECT_EQ(WriteOutputFile(HostFileSystem(), path, "new"), path + c.says);
        EXPECT_EQ(Examine(path), before);
    }
    ::close(socketHolder);
    EXPECT_EQ(ReadHostFile(folder / "regular"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), std::size(cases))
        << "a temporary file was left behind";
}

} // namespace
} // namespace slabcal
