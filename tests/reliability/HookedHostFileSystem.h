#pragma once

#include "platform/FileSystem.h"
#include "platform/PosixFileSystem.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace slabcal {

// The host's file system with two handles for reliability tests: a hook run once at the first rename (the
// moment a file is replaced), and the flushes left out, for sweeps about values that save thousands of
// times and need no durability.
class HookedHostFileSystem final : public FileSystem {
public:
    std::function<void()> onFirstRename; // runs on the thread that renames
    bool flushes = true;

    int OpenForReading(const std::string& path) override { return host.OpenForReading(path); }
    int CreateNew(const std::string& path, unsigned permissions) override {
        return host.CreateNew(path, permissions);
    }
    ssize_t Read(int file, void* buffer, std::size_t size) override { return host.Read(file, buffer, size); }
    ssize_t Write(int file, const void* data, std::size_t size) override {
        return host.Write(file, data, size);
    }
    int SyncFile(int file) override { return flushes ? host.SyncFile(file) : 0; }
    int Close(int file) override { return host.Close(file); }
    int Rename(const std::string& from, const std::string& to) override {
        if (auto hook = std::exchange(onFirstRename, nullptr))
            hook();
        return host.Rename(from, to);
    }
    int Remove(const std::string& path) override { return host.Remove(path); }
    int MakeFolder(const std::string& path, unsigned permissions) override {
        return host.MakeFolder(path, permissions);
    }
    int Status(const std::string& path, FileStatus& status) override { return host.Status(path, status); }
    int ChangePermissions(const std::string& path, unsigned permissions) override {
        return host.ChangePermissions(path, permissions);
    }
    int ChangeOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) override {
        return host.ChangeOwner(path, owner, group);
    }
    int SyncFolder(const std::string& path) override { return flushes ? host.SyncFolder(path) : 0; }
    int ListFolder(const std::string& path, std::vector<std::string>& names) override {
        return host.ListFolder(path, names);
    }

private:
    FileSystem& host = HostFileSystem();
};

} // namespace slabcal
