#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace slabcal {

enum class FileType : std::uint8_t { Regular, Directory, Other };

struct FileStatus {
    FileType type = FileType::Other;
    unsigned permissions = 0; // the mode's permission bits, 07777
    std::uint64_t size = 0;
    std::uint32_t owner = 0; // uid
    std::uint32_t group = 0; // gid
};

// The host calls that the device file system is built on, one virtual call each, so that a test can put
// its own file system underneath: one that fails a chosen call, one that forgets what was not flushed when
// the power goes, one that records the order of calls. Every call returns a descriptor, a byte count or 0
// on success and a negative errno on failure; none throws, none leaves anything in errno.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens a regular file for reading and never blocks: a FIFO, a device or a folder in its place is
    // refused with -EINVAL (-EISDIR for a folder), judged on the open descriptor.
    [[nodiscard]] virtual int OpenForReading(const std::string& path) = 0;
    // open(O_WRONLY | O_CREAT | O_EXCL): a new empty file, -EEXIST when the name is taken.
    [[nodiscard]] virtual int CreateNew(const std::string& path, unsigned permissions) = 0;
    // 0 at the end of the file.
    [[nodiscard]] virtual ssize_t Read(int file, void* buffer, std::size_t size) = 0;
    // May write fewer bytes than asked; the caller goes on with the rest.
    [[nodiscard]] virtual ssize_t Write(int file, const void* data, std::size_t size) = 0;
    [[nodiscard]] virtual int SyncFile(int file) = 0;
    // The descriptor is released even when an error is returned. Error paths ignore the result.
    virtual int Close(int file) = 0;
    // rename(2): replaces an existing target in one step.
    [[nodiscard]] virtual int Rename(const std::string& from, const std::string& to) = 0;
    // unlink(2). Cleanup paths ignore the result.
    virtual int Remove(const std::string& path) = 0;
    [[nodiscard]] virtual int MakeFolder(const std::string& path, unsigned permissions) = 0;
    // stat(2), following links.
    [[nodiscard]] virtual int Status(const std::string& path, FileStatus& status) = 0;
    [[nodiscard]] virtual int ChangePermissions(const std::string& path, unsigned permissions) = 0;
    // chown(2); -EPERM unless the process may give the file away (root may).
    [[nodiscard]] virtual int ChangeOwner(const std::string& path, std::uint32_t owner,
                                          std::uint32_t group) = 0;
    // Makes the folder's entries (a rename into it) durable.
    [[nodiscard]] virtual int SyncFolder(const std::string& path) = 0;
    // The names in a folder, "." and ".." left out, in no particular order.
    [[nodiscard]] virtual int ListFolder(const std::string& path, std::vector<std::string>& names) = 0;
};

} // namespace slabcal
