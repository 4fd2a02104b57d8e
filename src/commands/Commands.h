#pragma once

#include "platform/DeviceFileSystem.h"
#include "records/CalibrationSettings.h"

#include <istream>
#include <ostream>
#include <string>

namespace slabcal {

// The exit statuses of the subcommands.
namespace exit_status {
inline constexpr int Success = 0;
// The parameter file could not be stored, or the gauge would not read every value from it (nothing
// changed), or the operator said no.
inline constexpr int Failed = 1;
// Bad input refused before anything changed: a points file that is not fifteen numeric rows, invalid
// rows, a record that is missing, damaged, of a newer format or holds values the gauge cannot use, a
// deviation over the limit without --force, a restore without its answer, a root in use.
inline constexpr int Refused = 2;
// The parameter file was stored, but its backup copy or its record could not be, or flushing its folder
// failed so that it is in place but may not survive a power cut (each said on its line).
inline constexpr int StoredWithFailures = 3;
} // namespace exit_status

// `slabcal history`: one line per record, oldest first.
[[nodiscard]] int RunHistory(const DeviceFileSystem& files, std::ostream& out, std::ostream& err);

struct RestoreOptions {
    std::string record;       // its file name, with or without ".json"
    bool yes = false;         // no question
    bool interactive = false; // standard input is a terminal: the question may be asked on `in`
};

// `slabcal restore RECORD`: the record's sixteen values back into the parameter file, then the backup
// copy and a record of the restore.
[[nodiscard]] int RunRestore(const RestoreOptions& options, const DeviceFileSystem& files, std::istream& in,
                             std::ostream& out, std::ostream& err);

struct FitOptions {
    std::string pointsFile;           // host path of the fifteen height,signal rows
    bool write = false;               // store the values as the write command does
    bool force = false;               // store segments over the deviation limit too
    CalibrationConditions conditions; // who calibrated and how, for the record of --write
};

// `slabcal fit POINTS.csv`: the write command's checks and segments from a points file, the sixteen values
// printed as the file would hold them, and with --write stored.
[[nodiscard]] int RunFit(const FitOptions& options, const DeviceFileSystem& files, std::ostream& out,
                         std::ostream& err);

} // namespace slabcal
