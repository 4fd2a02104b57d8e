#pragma once

#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace slabcal {

// What a disk holds: its folders and its files with their bytes, by absolute path ("/" is the root and is
// not listed).
struct DiskImage {
    std::set<std::string> folders;
    std::map<std::string, std::string> files;

    [[nodiscard]] std::optional<std::string> File(const std::string& path) const;
    friend bool operator==(const DiskImage&, const DiskImage&) = default;
};

// An in-memory file system whose power can be cut, to find a flush that is missing or comes too late.
// It keeps what the running system sees apart from what is on the disk, and moves things to the disk only
// as far as POSIX promises:
//  - bytes written to a file reach the disk when that file is flushed (SyncFile), all of them as they stand
//    then; bytes not flushed are lost, so a file that was never flushed is empty on the disk;
//  - a change of a folder's names (a new file or folder, a rename, a removal) is certain to be on the disk
//    once that folder was flushed (SyncFolder), a rename across folders once both were. Flushing a file
//    does not store its name, and flushing a folder does not store the folder's own name in its parent;
//  - a change that was not made certain may have reached the disk or not, each one on its own and in any
//    combination, so PossibleDisks() gives one image for every subset of them;
//  - permissions are not modelled as lost: they are the same on the disk as in memory.
// A cut stops the machine: every later call fails with EIO and changes nothing. Start() brings the power
// back over a disk, with nothing pending and no descriptor open. For one thread.
class PowerCutFileSystem final : public FileSystem {
public:
    // Power on over an empty disk.
    PowerCutFileSystem();

    // Power on over this disk: everything on it, flushed, nothing pending, the call count at 0.
    void Start(const DiskImage& disk);
    // The power goes when `calls` more calls have been made (0: at once).
    void CutAfter(std::size_t calls);
    [[nodiscard]] bool PowerIsOff() const;
    // The calls made since Start, the failed ones after a cut left out.
    [[nodiscard]] std::size_t CallCount() const { return calls; }

    // What the running system sees now.
    [[nodiscard]] DiskImage Visible() const;
    // Every image the disk may hold if the power went now, without repeats.
    [[nodiscard]] std::vector<DiskImage> PossibleDisks() const;

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
    using NodeId = std::size_t;
    using Names = std::map<std::string, NodeId>;

    struct Node {
        bool folder = false;
        unsigned permissions = 0;
        std::string bytes;  // as the system sees them
        std::string synced; // as the last SyncFile left them on the disk
        Names names;        // a folder's entries as the system sees them
    };
    // One change of names: a link (only `to`), an unlink (only `from`) or a rename (both).
    struct NameChange {
        std::optional<std::pair<NodeId, std::string>> from;
        std::optional<std::pair<NodeId, std::string>> to;
        NodeId node = 0;
        bool fromFlushed = false;
        bool toFlushed = false;
        [[nodiscard]] bool Certain() const { return (!from || fromFlushed) && (!to || toFlushed); }
    };
    struct OpenFile {
        NodeId node = 0;
        bool writable = false;
        std::size_t position = 0;
    };
    struct Place {
        NodeId folder = 0;
        std::string name;
    };

    enum class Kind : std::uint8_t { Any, File, Folder };

    // Counts the call; false when the power is off and the call must fail.
    [[nodiscard]] bool Powered();
    // The start of a call: counts it, then finds what it works on. 0, or the negative errno it returns.
    [[nodiscard]] int EnterPath(const std::string& path, NodeId& node, Kind kind);
    [[nodiscard]] int EnterDescriptor(int file, OpenFile*& open);
    [[nodiscard]] int EnterNewName(const std::string& path, Place& place);

    [[nodiscard]] std::optional<NodeId> Find(const std::string& path) const;
    // The folder that would hold the path and the name in it, or a negative errno.
    [[nodiscard]] int PlaceOf(const std::string& path, Place& place) const;
    [[nodiscard]] NodeId NewNode(bool folder, unsigned permissions);
    void Link(const Place& place, NodeId node);
    void Collect(const std::map<NodeId, Names>& disk, NodeId folder, const std::string& path,
                 DiskImage& image) const;

    std::vector<Node> nodes;           // node 0 is the root folder
    std::map<NodeId, Names> diskNames; // every folder's names on the disk at Start
    std::vector<NameChange> changes;   // since Start, in the order they were made
    std::map<int, OpenFile> descriptors;
    int nextDescriptor = 3;
    std::size_t calls = 0;
    std::optional<std::size_t> cutAt;
};

} // namespace slabcal
