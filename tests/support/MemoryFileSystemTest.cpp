#include "support/MemoryFileSystem.h"
#include "platform/DeviceFileSystem.h"
#include "support/FileResultPrinting.h"

#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

namespace slabcal {
namespace {

std::string ReadAll(FileSystem& files, int file) {
    std::string bytes;
    char buffer[4];
    for (ssize_t got; (got = files.Read(file, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return bytes;
}

TEST(MemoryFileSystem, CarriesTheDeviceFileSystemsAtomicReplace) {
    MemoryFileSystem host;
    DeviceFileSystem device("/device", host);
    ASSERT_TRUE(device.EnsureRoot());
    ASSERT_TRUE(device.CreateDirectory("\\NandFlash"));
    host.Put("/device/NandFlash/.ZPQ.ini.tmp-abcdef", "left over");

    ASSERT_TRUE(device.ReplaceFile("NandFlash//ZPQ.ini", "new bytes"));
    EXPECT_EQ(host.Bytes("/device/NandFlash/ZPQ.ini"), "new bytes");
    EXPECT_EQ(host.Bytes("/device/NandFlash/.ZPQ.ini.tmp-abcdef"), std::nullopt) << "leftover removed";
    std::string read;
    ASSERT_TRUE(device.ReadFile("\\NandFlash\\ZPQ.ini", read));
    EXPECT_EQ(read, "new bytes");
    EXPECT_EQ(host.OpenDescriptors(), 0U);

    EXPECT_TRUE(device.SetFileAttributes("\\NandFlash\\ZPQ.ini", FileAttributeReadOnly));
    EXPECT_EQ(device.GetFileAttributes("\\NandFlash\\ZPQ.ini"), FileAttributeReadOnly);
    const std::size_t changes = host.ChangeCount();
    ASSERT_TRUE(device.ReadFile("\\NandFlash\\ZPQ.ini", read));
    EXPECT_EQ(host.ChangeCount(), changes) << "reading changes nothing";
}

TEST(MemoryFileSystem, AnswersLikeTheHostsCalls) {
    MemoryFileSystem host;
    host.Put("/a/file", "x");
    EXPECT_EQ(host.CreateNew("/a/file", 0644), -EEXIST);
    EXPECT_EQ(host.CreateNew("/missing/file", 0644), -ENOENT);
    EXPECT_EQ(host.CreateNew("/a/file/below", 0644), -ENOTDIR);
    EXPECT_EQ(host.MakeFolder("/a", 0755), -EEXIST);
    EXPECT_EQ(host.Remove("/a"), -EISDIR);
    EXPECT_EQ(host.Rename("/a/file", "/a"), -EISDIR);
    EXPECT_EQ(host.Rename("/a", "/a/inside"), -EINVAL);
    EXPECT_EQ(host.OpenForReading("/a/none"), -ENOENT);

    ASSERT_EQ(host.MakeFolder("/a/sub", 0755), 0);
    host.Put("/a/sub/deep", "y");
    std::vector<std::string> names;
    ASSERT_EQ(host.ListFolder("/a", names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"file", "sub"}));

    ASSERT_EQ(host.Rename("/a/sub", "/b"), 0) << "a folder moves with what it holds";
    EXPECT_EQ(host.Bytes("/b/deep"), "y");
    EXPECT_EQ(host.Bytes("/a/sub/deep"), std::nullopt);
}

TEST(MemoryFileSystem, DescriptorsKeepTheirFileThroughRenameAndRemove) {
    MemoryFileSystem host;
    host.Put("/f", "old");
    const int reader = host.OpenForReading("/f");
    const int writer = host.CreateNew("/g", 0600);
    ASSERT_GE(reader, 0);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(host.Read(writer, nullptr, 0), -EBADF);
    EXPECT_EQ(host.Write(reader, "z", 1), -EBADF);

    ASSERT_EQ(host.Rename("/g", "/f"), 0);
    EXPECT_EQ(host.Write(writer, "new", 3), 3);
    EXPECT_EQ(host.Bytes("/f"), "new") << "the renamed file is written";
    ASSERT_EQ(host.Remove("/f"), 0);
    EXPECT_EQ(ReadAll(host, reader), "old") << "the replaced file stays readable";

    EXPECT_EQ(host.Close(reader), 0);
    EXPECT_EQ(host.Close(writer), 0);
    EXPECT_EQ(host.Close(writer), -EBADF);
    EXPECT_EQ(host.OpenDescriptors(), 0U);
}

} // namespace
} // namespace slabcal
