#pragma once

#include "platform/FileResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace slabcal {

enum class StoreOutcome : std::uint8_t {
    Stored,           // the file was replaced with the new values
    Unchanged,        // every value was already stored, as the gauge reads it; the file was left alone
    StoredNotDurable, // the file was replaced, but flushing its folder failed: the new file is in place and
                      // read, but may not survive a power cut
    NonFiniteValue,   // a value was not one the gauge reads whole as a finite number; nothing was touched
    LoadFailed,       // the existing file could not be read, so it was not replaced
    WriteFailed,      // the file could not be replaced; the old one stays
    HiddenFromGauge,  // the gauge's reader would not take some of the values from the new file (it keeps
                      // only its first 49 entries); nothing was touched
};

// One of the sixteen values a save set: its text in the file before (none when the key was missing) and
// after.
struct StoredValue {
    std::string key;
    std::optional<std::string> before;
    std::string after;

    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

// What one save of the parameter file came to. Only Stored and Unchanged may be shown as success;
// StoredNotDurable goes on as a save (backup, record) but must be reported.
struct [[nodiscard]] StoreResult {
    StoreOutcome outcome = StoreOutcome::Stored;
    FileResult file; // the failed file step for LoadFailed, WriteFailed and StoredNotDurable
    // A file the gauge cannot read (its first line is not the signature) is replaced by one of just the
    // sixteen values; before that, its bytes are kept whole under this device path. Empty otherwise.
    std::string keptAside;
    // Stored, Unchanged and StoredNotDurable only: the file's bytes as the save left them, and the sixteen
    // values in key order.
    std::string bytes;
    std::vector<StoredValue> values;
    // HiddenFromGauge only: the keys whose values the gauge would not read.
    std::vector<std::string> hiddenKeys;

    // The new values are in the file (Stored, Unchanged, StoredNotDurable): the save goes on.
    [[nodiscard]] bool Succeeded() const {
        return outcome == StoreOutcome::Stored || outcome == StoreOutcome::Unchanged ||
               outcome == StoreOutcome::StoredNotDurable;
    }
    explicit operator bool() const { return Succeeded(); }
    [[nodiscard]] std::string Describe() const;
    // What the operator is told of the store beyond the status line, the same by the window and by the
    // subcommands: empty for Stored and Unchanged; "参数文件写入失败" for a file that could not be stored;
    // otherwise a text that says what is in the file.
    [[nodiscard]] std::string OperatorText() const;
    // "原参数文件无法识别,已另存为 NAME" for a file kept aside; empty otherwise.
    [[nodiscard]] std::string KeptAsideText() const;
};

} // namespace slabcal
