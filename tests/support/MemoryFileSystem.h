#pragma once

#include "platform/FileSystem.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

// A FileSystem held wholly in memory, for code that must run many thousand saves without a disk (the fuzz
// targets) or wants to see every byte it left (power-cut tests). Paths are taken literally: "/" separates,
// the root folder "/" always exists, a doubled "/" or a trailing one is not folded. Folders must exist
// before anything is made in them, as on the host. A descriptor keeps its file when the file is renamed
// or removed, as a POSIX descriptor keeps its inode. Permission bits are kept and reported but not
// enforced, as for root. Sync calls succeed and change nothing: every write is durable at once.
class MemoryFileSystem final : public FileSystem {
public:
    MemoryFileSystem();

    // Test set-up and inspection, outside the counted calls: stores a file (creating its missing
    // folders), reads one back (nothing for a missing file or a folder).
    void Put(const std::string& path, std::string_view bytes, unsigned permissions = 0644);
    [[nodiscard]] std::optional<std::string> Bytes(const std::string& path) const;
    // How many calls have changed the tree or a file's bytes: CreateNew, a Write of at least one byte,
    // Rename, Remove, MakeFolder, ChangePermissions. A save that leaves the file alone adds none.
    [[nodiscard]] std::size_t ChangeCount() const;
    [[nodiscard]] std::size_t OpenDescriptors() const;

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
    // Owners are not modelled: every node belongs to the process, and giving one away changes nothing.
    [[nodiscard]] int ChangeOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) override;
    [[nodiscard]] int SyncFolder(const std::string& path) override;
    [[nodiscard]] int ListFolder(const std::string& path, std::vector<std::string>& names) override;

private:
    struct Node {
        bool folder = false;
        unsigned permissions = 0;
        std::string bytes;
    };
    struct Descriptor {
        std::shared_ptr<Node> node;
        std::size_t position = 0;
        bool writable = false;
    };

    // 0 when the folder that would hold path exists, else -ENOENT or -ENOTDIR.
    [[nodiscard]] int CheckParent(const std::string& path) const;
    [[nodiscard]] bool HasChildren(const std::string& path) const;
    [[nodiscard]] Descriptor* Find(int file);

    mutable std::mutex lock;
    std::map<std::string, std::shared_ptr<Node>> nodes;
    std::map<int, Descriptor> descriptors;
    int nextDescriptor = 3;
    std::size_t changes = 0;
};

} // namespace slabcal
