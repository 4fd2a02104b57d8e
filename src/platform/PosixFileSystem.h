#pragma once

#include "platform/FileSystem.h"

namespace slabcal {

// The host's own file system through the POSIX calls, with real fsync of files and folders.
class PosixFileSystem final : public FileSystem {
public:
    [[nodiscard]] int OpenForReading(const std::string& path) override;
    [[nodiscard]] int CreateNew(const std::string& path, unsigned permissions) override;
    [[nodiscard]] ssize_t Read(int file, void* buffer, std::size_t size) override;
    [[nodiscard]] ssize_t Write(int file, const void* data, std::size_t size) override;
    [[nodiscard]] int SyncFile(int file) override;
    int Close(int file) override;
    [[nodiscard]] int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;
    [[nodiscard]] int MakeFolder(const std::string& path, unsigned permissions) override;
    [[nodiscard]] int Status(const std::string& path, FileStatus& status) override;
    [[nodiscard]] int ChangePermissions(const std::string& path, unsigned permissions) override;
    [[nodiscard]] int ChangeOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) override;
    [[nodiscard]] int SyncFolder(const std::string& path) override;
    [[nodiscard]] int ListFolder(const std::string& path, std::vector<std::string>& names) override;
};

// The process-wide host file system that a DeviceFileSystem uses unless it is given another.
FileSystem& HostFileSystem();

} // namespace slabcal
