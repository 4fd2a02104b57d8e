#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace slabcal {

// The step of a file operation that went wrong, so that a report can say what failed, not only that
// something did.
enum class FileStep : std::uint8_t {
    None,
    Path, // the device path was refused (it would leave the device root)
    Open,
    Status,
    Read,
    Create,
    Write,
    SyncFile,
    Close,
    Rename,
    SyncFolder,
    MakeFolder,
    ChangeOwner,
    ChangePermissions,
    Remove,
};

[[nodiscard]] std::string_view FileStepName(FileStep step);

// Success, or the failed step with its errno. Nothing on the file path throws, so this is what every
// caller gets and must look at.
struct [[nodiscard]] FileResult {
    FileStep step = FileStep::None;
    int error = 0;

    static FileResult Success() { return {}; }
    static FileResult Failure(FileStep failedStep, int errorNumber) { return {failedStep, errorNumber}; }

    [[nodiscard]] bool Succeeded() const { return step == FileStep::None; }
    explicit operator bool() const { return Succeeded(); }
    // "rename: No space left on device"; "ok" on success.
    [[nodiscard]] std::string Describe() const;

    friend bool operator==(const FileResult&, const FileResult&) = default;
};

} // namespace slabcal
