#include "platform/AtomicFile.h"

#include <cerrno>
#include <random>
#include <unistd.h>
#include <vector>

namespace slabcal {
namespace {

constexpr std::string_view TemporaryMarker = ".tmp-";
constexpr std::size_t SuffixLength = 6;
constexpr int CreateAttempts = 16;
// rw for everyone the umask allows, for a file that did not exist before.
constexpr unsigned NewFilePermissions = 0666;
constexpr unsigned OwnerWrite = 0200;
constexpr unsigned PermissionBits = 0777;

unsigned PermissionsLike(const FileStatus& like) {
    return (like.permissions & PermissionBits) | OwnerWrite;
}

std::string TemporaryPrefix(std::string_view targetName) {
    std::string prefix = ".";
    prefix += targetName;
    prefix += TemporaryMarker;
    return prefix;
}

std::string RandomSuffix() {
    static constexpr std::string_view alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string suffix;
    for (std::size_t i = 0; i < SuffixLength; ++i)
        suffix += alphabet[pick(generator)];
    return suffix;
}

} // namespace

AtomicFile::AtomicFile(FileSystem& hostFiles, std::string hostPath)
    : host(hostFiles), path(std::move(hostPath)) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

bool AtomicFile::IsTemporaryName(std::string_view candidate, std::string_view targetName) {
    const std::string prefix = TemporaryPrefix(targetName);
    return candidate.size() > prefix.size() && candidate.substr(0, prefix.size()) == prefix;
}

std::string AtomicFile::TargetOfTemporary(std::string_view candidate) {
    const auto marker = candidate.rfind(TemporaryMarker);
    if (candidate.empty() || candidate.front() != '.' || marker == std::string_view::npos || marker < 2)
        return {};
    const std::string target(candidate.substr(1, marker - 1));
    return IsTemporaryName(candidate, target) ? target : std::string();
}

std::string AtomicFile::InFolder(std::string_view entry) const {
    std::string joined = folder;
    if (joined.back() != '/')
        joined += '/';
    joined += entry;
    return joined;
}

void AtomicFile::RemoveLeftovers() {
    std::vector<std::string> names;
    if (host.ListFolder(folder, names) < 0)
        return;
    for (const auto& entry : names)
        if (IsTemporaryName(entry, name))
            host.Remove(InFolder(entry));
}

FileResult AtomicFile::CreateTemporary(std::string& temporaryPath, int& file, const FileStatus* like) {
    // Created no wider than it will end up, so the bytes are never readable by more than the old file was.
    const unsigned permissions = like != nullptr ? PermissionsLike(*like) : NewFilePermissions;
    file = -EEXIST;
    for (int attempt = 0; attempt < CreateAttempts && file == -EEXIST; ++attempt) {
        temporaryPath = InFolder(TemporaryPrefix(name) + RandomSuffix());
        file = host.CreateNew(temporaryPath, permissions);
    }
    return file < 0 ? FileResult::Failure(FileStep::Create, -file) : FileResult::Success();
}

FileResult AtomicFile::TakeOwnerAndMode(const std::string& temporaryPath, const FileStatus& like) {
    // Only root may give a file away; anyone else keeps the file as their own, which is no wider.
    if (like.owner != ::geteuid() || like.group != ::getegid()) {
        if (const int given = host.ChangeOwner(temporaryPath, like.owner, like.group);
            given < 0 && given != -EPERM)
            return FileResult::Failure(FileStep::ChangeOwner, -given);
    }
    // The umask may have narrowed the bits at creation; chown may have cleared set-id bits.
    if (const int changed = host.ChangePermissions(temporaryPath, PermissionsLike(like)); changed < 0)
        return FileResult::Failure(FileStep::ChangePermissions, -changed);
    return FileResult::Success();
}

FileResult AtomicFile::WriteAll(int file, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = host.Write(file, bytes.data(), bytes.size());
        if (written < 0)
            return FileResult::Failure(FileStep::Write, static_cast<int>(-written));
        // A write that makes no progress would loop for ever; it means the disk is full.
        if (written == 0)
            return FileResult::Failure(FileStep::Write, ENOSPC);
        if (static_cast<std::size_t>(written) > bytes.size())
            return FileResult::Failure(FileStep::Write, EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return FileResult::Success();
}

FileResult AtomicFile::Replace(std::string_view bytes) {
    if (name.empty())
        return FileResult::Failure(FileStep::Path, EISDIR);
    // Without the old file's mode the new one could be readable by more people than the old one was.
    FileStatus old;
    const int examined = host.Status(path, old);
    if (examined < 0 && examined != -ENOENT)
        return FileResult::Failure(FileStep::Status, -examined);
    return ReplaceWith(bytes, examined == 0 && old.type == FileType::Regular ? &old : nullptr);
}

FileResult AtomicFile::ReplaceLike(std::string_view bytes, const FileStatus& like) {
    return ReplaceWith(bytes, &like);
}

FileResult AtomicFile::ReplaceWith(std::string_view bytes, const FileStatus* like) {
    if (name.empty())
        return FileResult::Failure(FileStep::Path, EISDIR);
    RemoveLeftovers();

    std::string temporaryPath;
    int file = -1;
    if (FileResult created = CreateTemporary(temporaryPath, file, like); !created)
        return created;

    FileResult result = like != nullptr ? TakeOwnerAndMode(temporaryPath, *like) : FileResult::Success();
    if (result)
        result = WriteAll(file, bytes);
    if (result) {
        if (const int synced = host.SyncFile(file); synced < 0)
            result = FileResult::Failure(FileStep::SyncFile, -synced);
    }
    if (const int closed = host.Close(file); closed < 0 && result)
        result = FileResult::Failure(FileStep::Close, -closed);
    if (result) {
        if (const int renamed = host.Rename(temporaryPath, path); renamed < 0)
            result = FileResult::Failure(FileStep::Rename, -renamed);
    }
    if (!result) {
        host.Remove(temporaryPath);
        return result;
    }
    if (const int folderSynced = host.SyncFolder(folder); folderSynced < 0)
        return FileResult::Failure(FileStep::SyncFolder, -folderSynced);
    return FileResult::Success();
}

} // namespace slabcal
