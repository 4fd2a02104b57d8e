#pragma once

#include "platform/FileResult.h"
#include "platform/FileSystem.h"
#include "platform/PosixFileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace slabcal {

// The attribute bits the board's file calls reported, as far as this system asks for them.
inline constexpr std::uint32_t FileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t FileAttributeDirectory = 0x10;
inline constexpr std::uint32_t FileAttributeNormal = 0x80;
inline constexpr std::uint32_t InvalidFileAttributes = 0xFFFFFFFF;

struct FoundFile {
    std::string name; // the last element of the path
    std::uint32_t attributes = 0;
};

// The board's flash file system, kept in a host folder (the device root). Device paths such as
// "\NandFlash\ZPQ.ini" or "NandFlash//ZPQ.ini" are UTF-8; "\" and "/" both separate, a doubled separator
// counts as one, and with or without a leading separator a path starts at the root: the device has no
// current folder. ".." is refused rather than resolved, so no path reaches outside the root; an absolute
// host path is just a path under the root.
//
// Attributes: a folder is a directory (16); a file or folder whose owner-write permission bit is clear is
// read-only (1), judged from the mode bits alone so that it reads the same whoever runs the program; a
// plain file is normal (128). Every host call goes through the FileSystem given at construction.
class DeviceFileSystem final {
public:
    // No file on the device is anywhere near this (the parameter file is about 300 bytes); a larger one
    // (a sparse file, a link to an endless device) is refused as unreadable rather than read whole.
    static constexpr std::size_t MaxFileBytes = 16 * 1024 * 1024;

    explicit DeviceFileSystem(std::string rootFolder, FileSystem& hostFiles = HostFileSystem());

    [[nodiscard]] const std::string& Root() const { return root; }
    [[nodiscard]] FileSystem& Host() const { return host; }

    // The host path of a device path; nothing when the path would leave the root or holds a NUL byte.
    [[nodiscard]] std::optional<std::string> HostPath(std::string_view devicePath) const;

    // Creates the root folder and its missing parents on the host. Fails (mkdir: ENOTDIR) when one of them
    // exists but is not a folder.
    [[nodiscard]] FileResult EnsureRoot() const;

    // InvalidFileAttributes when the path does not exist or is refused.
    [[nodiscard]] std::uint32_t GetFileAttributes(std::string_view path) const;
    // Read-only clears every write bit; any value without it (FileAttributeNormal) sets the owner's.
    bool SetFileAttributes(std::string_view path, std::uint32_t attributes) const;
    // The one entry a path names (no wildcards): whether it exists, and its attributes.
    [[nodiscard]] std::optional<FoundFile> FindFirst(std::string_view path) const;
    // False when the folder exists already, its parent is missing, or the host refuses. Made by root in
    // another user's folder, the new folder is given to that folder's owner.
    bool CreateDirectory(std::string_view path) const;

    // A regular file of at most MaxFileBytes; a FIFO, a device or a folder is refused without blocking.
    [[nodiscard]] FileResult ReadFile(std::string_view path, std::string& bytes) const;
    // Atomic, and keeps who may read the file: see AtomicFile (whose TargetReplaced tells a failure after
    // the rename apart).
    [[nodiscard]] FileResult ReplaceFile(std::string_view path, std::string_view bytes) const;
    // The same, with the permissions (and owner, as root) of the regular file `like` rather than the
    // replaced file's own: a file that tells what another holds is read by nobody who may not read that
    // one. Without a regular file `like`, as ReplaceFile.
    [[nodiscard]] FileResult ReplaceFileLike(std::string_view path, std::string_view bytes,
                                             std::string_view like) const;
    // Removes the temporary files an interrupted replace of this file left behind, as a replace does
    // before it begins. Best effort.
    void RemoveLeftovers(std::string_view path) const;
    // Removes the file durably (its folder flushed); a file that is not there is removed already.
    [[nodiscard]] FileResult RemoveFile(std::string_view path) const;
    // Reads the source whole and replaces the destination with it atomically, with the source's
    // permissions (and owner, as root), then flushes the parent of the destination's folder so that a
    // folder made just before the copy survives a power cut with it. Every FileStep::SyncFolder failure
    // comes after the replace's rename (AtomicFile::TargetReplaced holds for it).
    [[nodiscard]] FileResult CopyFile(std::string_view source, std::string_view destination) const;

private:
    std::string root;
    FileSystem& host;
};

} // namespace slabcal
