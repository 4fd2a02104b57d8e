#pragma once

#include "platform/FileResult.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace slabcal {

// Replaces one host file by new bytes so that a crash, a power cut or an I/O error at any moment leaves
// either the old file or the new one, byte for byte, and never no file: the bytes go to a temporary file
// in the same folder (".NAME.tmp-XXXXXX"), are flushed, the temporary file is renamed over the target and
// the folder is flushed. Temporary files that an interrupted replace left behind are removed by the next.
class AtomicFile final {
public:
    AtomicFile(FileSystem& hostFiles, std::string hostPath);

    // On failure the temporary file is gone and the target is as it was, except after a failed fsync of
    // the folder: the rename has happened by then and cannot be taken back, so the target holds the new
    // bytes but they may not survive a power cut, which is why that is a failure too (TargetReplaced
    // tells it apart).
    //
    // A replace never widens who may read the file: the new file takes the old one's permission bits, plus
    // the owner's write bit (a replaced file is writable again), and, where the process may give files
    // away (root), its owner and group. A brand-new file is created 0666 less the umask.
    [[nodiscard]] FileResult Replace(std::string_view bytes);
    // The same, with the permissions, owner and group taken from `like` (a copy takes its source's).
    [[nodiscard]] FileResult ReplaceLike(std::string_view bytes, const FileStatus& like);

    // True when a replace's result leaves the new bytes in the target's place: success, or a failed fsync
    // of the folder, the only step after the rename.
    [[nodiscard]] static bool TargetReplaced(const FileResult& result) {
        return result.Succeeded() || result.step == FileStep::SyncFolder;
    }

    // Best effort: a leftover that cannot be removed now is removed by a later replace.
    void RemoveLeftovers();

    // True for the names that a replace of targetName uses for its temporary files.
    [[nodiscard]] static bool IsTemporaryName(std::string_view name, std::string_view targetName);
    // The target whose replace would use `name` for its temporary file; empty when no replace would.
    [[nodiscard]] static std::string TargetOfTemporary(std::string_view name);

private:
    [[nodiscard]] std::string InFolder(std::string_view name) const;
    [[nodiscard]] FileResult ReplaceWith(std::string_view bytes, const FileStatus* like);
    [[nodiscard]] FileResult CreateTemporary(std::string& temporaryPath, int& file, const FileStatus* like);
    [[nodiscard]] FileResult TakeOwnerAndMode(const std::string& temporaryPath, const FileStatus& like);
    [[nodiscard]] FileResult WriteAll(int file, std::string_view bytes);

    FileSystem& host;
    std::string path;
    std::string folder;
    std::string name;
};

} // namespace slabcal
