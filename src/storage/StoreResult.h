#pragma once

#include "platform/FileResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace slabcal {

enum class StoreOutcome : std::uint8_t {
    Stored,         // the file was replaced with the new values
    Unchanged,      // every value was already stored; the file was left alone
    NonFiniteValue, // a value was not a finite number in single precision; nothing was touched
    LoadFailed,     // the existing file could not be read, so it was not replaced
    WriteFailed,    // the file could not be replaced; the old one stays (see AtomicFile for the fsync case)
};

// One of the sixteen values a save set: its text in the file before (none when the key was missing) and
// after.
struct StoredValue {
    std::string key;
    std::optional<std::string> before;
    std::string after;

    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

// What one save of the parameter file came to. Only Stored and Unchanged may be shown as success.
struct [[nodiscard]] StoreResult {
    StoreOutcome outcome = StoreOutcome::Stored;
    FileResult file; // the failed file step for LoadFailed and WriteFailed
    // A file the gauge cannot read (its first line is not the signature) is replaced by one of just the
    // sixteen values; before that, its bytes are kept whole under this device path. Empty otherwise.
    std::string keptAside;
    // Stored and Unchanged only: the file's bytes as the save left them, and the sixteen values in key order.
    std::string bytes;
    std::vector<StoredValue> values;

    [[nodiscard]] bool Succeeded() const {
        return outcome == StoreOutcome::Stored || outcome == StoreOutcome::Unchanged;
    }
    explicit operator bool() const { return Succeeded(); }
    [[nodiscard]] std::string Describe() const;
};

} // namespace slabcal
