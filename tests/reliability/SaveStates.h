#pragma once

#include "platform/AtomicFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

// What the device disk holds before a save: the parameter file, the backup (its folder exists when it is
// set) and, if asked, a temporary file in each folder that an interrupted earlier save left behind.
struct SaveState {
    const char* name = "";
    std::optional<std::string> parameterFile;
    std::optional<std::string> backup;
    bool leftovers = false;
};

// Entries the calibration does not set, among them one written with blanks, and old calibration values.
inline constexpr std::string_view OldParameterFile =
    "VORKAPELMIX\r\nSerial=K-0417\r\n Unit = mm \r\nCurveA0=-0.6000"
    "\r\nConsRange1=776\r\nOperator=Wu\r\n";
inline constexpr std::string_view OldBackup = "VORKAPELMIX\r\nSerial=K-0417\r\nCurveA0=-0.5000\r\n";
inline constexpr std::string_view LeftoverName = ".ZPQ.ini.tmp-Left0v";

// The first save on a fresh disk, and a later one over an old file, an old backup and two leftovers.
inline const SaveState FirstSave{"FirstSave", std::nullopt, std::nullopt, false};
inline const SaveState Resave{"Resave", std::string(OldParameterFile), std::string(OldBackup), true};

// The old bytes, or the new ones; a file that was not there may still be missing.
[[nodiscard]] inline bool OldOrNew(const std::optional<std::string>& now,
                                   const std::optional<std::string>& before, const std::string& stored) {
    return now == before || now == stored;
}

// A temporary file of any replace: the parameter file's, its backup's or a record's.
[[nodiscard]] inline bool IsTemporary(std::string_view name) {
    return !AtomicFile::TargetOfTemporary(name).empty();
}

} // namespace slabcal
