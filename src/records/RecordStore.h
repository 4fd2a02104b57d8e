#pragma once

#include "platform/DeviceFileSystem.h"
#include "platform/FileResult.h"
#include "records/RecordJson.h"

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

// Where the records live: one file a save, named after its UTC time, "20240501T101112Z.json" (a second
// save within the same second "20240501T101112Z-2.json", and so on).
inline constexpr std::string_view RecordFolder = "\\NandFlash\\Calibration\\";

// The record's file name ("….json"), or why it could not be stored. A record is never written over an
// earlier one.
struct RecordWriteResult {
    FileResult file;
    std::string name;

    [[nodiscard]] bool Succeeded() const { return file.Succeeded(); }
};

// Stores the record under a new name made from its time, atomically and durably as the parameter file
// is stored (temporary file, fsync, rename, fsync of the folder), with the parameter file's permissions
// (and owner, as root); the folder is made when missing, and temporary files that interrupted record
// saves left in it are removed. A record over MaxRecordBytes is not stored (write: EFBIG).
[[nodiscard]] RecordWriteResult WriteRecord(const DeviceFileSystem& files, const CalibrationRecord& record);

// "20240501T101112Z.json" for "20240501T101112Z" or the name itself; nothing when the text is not a
// record's name (so no name can reach outside the folder).
[[nodiscard]] std::optional<std::string> RecordFileName(std::string_view name);

struct ListedRecord {
    std::string name;
    RecordOrError record;
};

// Every record in the folder, oldest first; those that cannot be read are listed with their problem and
// left as they are. No folder: no records. Fails only when the folder cannot be listed. Once `stop` is
// requested no further record is read (the list holds those read so far).
[[nodiscard]] FileResult ListRecords(const DeviceFileSystem& files, std::vector<ListedRecord>& records,
                                     const std::stop_token& stop = {});

// ListRecords for a reader that shows what it can: a folder that cannot be listed gives none.
[[nodiscard]] std::vector<ListedRecord> ListedRecords(const DeviceFileSystem& files,
                                                      const std::stop_token& stop = {});

// One record by its name, with or without ".json"; Missing when there is none of that name. A file over
// MaxRecordBytes is Damaged, read no further than that.
[[nodiscard]] RecordOrError ReadRecord(const DeviceFileSystem& files, std::string_view name);
// ReadRecord for what restores or certifies a save: a record of a table without a save is NoSave.
[[nodiscard]] RecordOrError ReadSaveRecord(const DeviceFileSystem& files, std::string_view name);

// Why the record `name` cannot be used, as one line: "no record named …", "record … is damaged (…)",
// "record … is of format version …".
[[nodiscard]] std::string DescribeRecordError(std::string_view name, const RecordError& error);

} // namespace slabcal
