#include "records/RecordStore.h"

#include "platform/AtomicFile.h"
#include "platform/ReadWholeFile.h"
#include "storage/DevicePaths.h"
#include "storage/FileCopier.h"
#include "storage/UnusedName.h"

#include <algorithm>
#include <cerrno>
#include <regex>
#include <set>
#include <tuple>
#include <utility>

namespace slabcal {
namespace {

constexpr std::string_view Extension = ".json";

// "20240501T101112Z", then "-N" for the second and later of one second.
const std::regex& NamePattern() {
    static const std::regex pattern(R"(^(\d{8}T\d{6}Z)(-([1-9]\d{0,8}))?\.json$)");
    return pattern;
}

// Oldest first: by time, then by the number of the save within the second (none is the first); nothing
// for a name that is not a record's.
std::optional<std::tuple<std::string, long>> SortKey(const std::string& name) {
    std::smatch match;
    if (!std::regex_match(name, match, NamePattern()))
        return std::nullopt;
    return std::tuple{match[1].str(), match[3].matched ? std::stol(match[3].str()) : 1L};
}

std::string FolderPath() {
    return std::string(RecordFolder);
}

// A temporary file that an interrupted replace of a record left behind.
bool IsRecordLeftover(const std::string& name) {
    return std::regex_match(AtomicFile::TargetOfTemporary(name), NamePattern());
}

// "2024-05-01T10:11:12Z" becomes "20240501T101112Z".
std::string StemOf(const std::string& time) {
    std::string stem;
    std::copy_if(time.begin(), time.end(), std::back_inserter(stem),
                 [](char c) { return c != '-' && c != ':'; });
    return stem;
}

FileResult EnsureRecordFolder(const DeviceFileSystem& files) {
    const bool existed = files.GetFileAttributes(RecordFolder) != InvalidFileAttributes;
    if (!FileCopier(files).EnsureFolder(FolderPath())) {
        const std::uint32_t attributes = files.GetFileAttributes(RecordFolder);
        return FileResult::Failure(FileStep::MakeFolder, attributes == InvalidFileAttributes ? ENOENT
                                                         : (attributes & FileAttributeDirectory) != 0
                                                             ? EACCES
                                                             : ENOTDIR);
    }
    if (existed)
        return FileResult::Success();
    // The new folder's entry in its parent must survive a power cut as the record in it will.
    const auto flashFolder = files.HostPath("\\NandFlash");
    if (!flashFolder)
        return FileResult::Failure(FileStep::Path, EINVAL);
    if (const int synced = files.Host().SyncFolder(*flashFolder); synced < 0)
        return FileResult::Failure(FileStep::SyncFolder, -synced);
    return FileResult::Success();
}

// The record in the file of that name, a record's name.
RecordOrError ReadRecordFile(const DeviceFileSystem& files, const std::string& file) {
    const auto path = files.HostPath(FolderPath() + file);
    if (!path)
        return RecordError{RecordProblem::Missing, "no record named " + file};
    std::string bytes;
    if (FileResult read = ReadWholeFile(files.Host(), *path, MaxRecordBytes, bytes); !read) {
        if (read.step == FileStep::Open && read.error == ENOENT)
            return RecordError{RecordProblem::Missing, "no record named " + file};
        if (read.step == FileStep::Read && read.error == EFBIG)
            return OversizedRecord();
        return RecordError{RecordProblem::Damaged, "cannot be read: " + read.Describe()};
    }
    return ParseRecord(bytes);
}

} // namespace

RecordWriteResult WriteRecord(const DeviceFileSystem& files, const CalibrationRecord& record) {
    const std::string text = RecordToJson(record);
    // Stored, it would be listed as damaged: better reported as not stored now.
    if (text.size() > MaxRecordBytes)
        return {FileResult::Failure(FileStep::Write, EFBIG), {}};
    if (FileResult folder = EnsureRecordFolder(files); !folder)
        return {folder, {}};
    // One listing rather than a look-up per name: many saves within one second stay cheap.
    const std::string hostFolder = files.HostPath(RecordFolder).value_or("");
    std::vector<std::string> names;
    if (const int listed = files.Host().ListFolder(hostFolder, names); listed < 0)
        return {FileResult::Failure(FileStep::Open, -listed), {}};
    // Each record has a new name, so its replace never meets an earlier record's leftovers; they are
    // removed here instead, best effort, as every save of the parameter file removes its own.
    for (const std::string& entry : names)
        if (IsRecordLeftover(entry))
            files.Host().Remove(hostFolder + "/" + entry);
    const std::set<std::string> taken(names.begin(), names.end());
    const std::string name =
        UnusedName(StemOf(record.time), Extension,
                   [&taken](const std::string& candidate) { return taken.contains(candidate); });
    if (!std::regex_match(name, NamePattern()))
        return {FileResult::Failure(FileStep::Path, EINVAL), {}};
    // It tells what the parameter file holds, so nobody may read it who may not read that file.
    return {files.ReplaceFileLike(FolderPath() + name, text, ParameterFilePath), name};
}

std::optional<std::string> RecordFileName(std::string_view name) {
    std::string file(name);
    if (!file.ends_with(Extension))
        file += Extension;
    if (!std::regex_match(file, NamePattern()))
        return std::nullopt;
    return file;
}

FileResult ListRecords(const DeviceFileSystem& files, std::vector<ListedRecord>& records,
                       const std::stop_token& stop) {
    records.clear();
    const auto folder = files.HostPath(RecordFolder);
    if (!folder)
        return FileResult::Failure(FileStep::Path, EINVAL);
    std::vector<std::string> names;
    if (const int listed = files.Host().ListFolder(*folder, names); listed < 0)
        return listed == -ENOENT ? FileResult::Success() : FileResult::Failure(FileStep::Open, -listed);
    // Each name matched once: matching in every comparison and again for every read made long listings
    // slow.
    std::vector<std::pair<std::tuple<std::string, long>, std::string>> keyed;
    for (auto& name : names)
        if (auto key = SortKey(name))
            keyed.emplace_back(std::move(*key), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    records.reserve(keyed.size());
    for (auto& [key, name] : keyed) {
        if (stop.stop_requested())
            break;
        RecordOrError record = ReadRecordFile(files, name);
        records.push_back({std::move(name), std::move(record)});
    }
    return FileResult::Success();
}

RecordOrError ReadRecord(const DeviceFileSystem& files, std::string_view name) {
    const auto file = RecordFileName(name);
    if (!file)
        return RecordError{RecordProblem::Missing, "no record named " + std::string(name)};
    return ReadRecordFile(files, *file);
}

std::vector<ListedRecord> ListedRecords(const DeviceFileSystem& files, const std::stop_token& stop) {
    std::vector<ListedRecord> records;
    if (!ListRecords(files, records, stop))
        records.clear();
    return records;
}

RecordOrError ReadSaveRecord(const DeviceFileSystem& files, std::string_view name) {
    RecordOrError read = ReadRecord(files, name);
    if (const auto* record = std::get_if<CalibrationRecord>(&read);
        record != nullptr && !RecordsASave(record->kind))
        return RecordError{RecordProblem::NoSave, "a table of " + std::to_string(RecordedRowCount(*record)) +
                                                      " rows kept without a save (" +
                                                      std::string(RecordKindName(record->kind)) + ")"};
    return read;
}

std::string DescribeRecordError(std::string_view name, const RecordError& error) {
    const std::string shown = RecordFileName(name).value_or(std::string(name));
    switch (error.problem) {
    case RecordProblem::Missing:
        return error.detail;
    case RecordProblem::Damaged:
        return "record " + shown + " is damaged (" + error.detail + ")";
    case RecordProblem::NoSave:
        return "record " + shown + " holds no values: " + error.detail;
    case RecordProblem::NewerVersion:
        break;
    }
    return "record " + shown + " is of " + error.detail;
}

} // namespace slabcal
