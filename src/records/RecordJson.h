#pragma once

#include "records/CalibrationRecord.h"

#include <string>
#include <string_view>
#include <variant>

namespace slabcal {

// Why a record file cannot be used.
enum class RecordProblem : std::uint8_t {
    Missing,      // no record of that name
    Damaged,      // not JSON, or not a record of this format: kept as it is, listed as damaged
    NewerVersion, // written by a later program in a format this one does not know
};

struct RecordError {
    RecordProblem problem = RecordProblem::Damaged;
    std::string detail; // one line: what is wrong

    friend bool operator==(const RecordError&, const RecordError&) = default;
};

using RecordOrError = std::variant<CalibrationRecord, RecordError>;

// The record as JSON text, two-space indented, ending with a newline. Texts that are not UTF-8 (a cell
// typed with stray bytes) are stored with U+FFFD in their place rather than refused.
[[nodiscard]] std::string RecordToJson(const CalibrationRecord& record);

// The record, or why it is not one: every field must be present with its type, numbers finite, fifteen
// points, six segments, four boundary signals, the sixteen keys in order, a 64-digit checksum; a format
// version above RecordFormatVersion is NewerVersion, whatever else the file holds.
[[nodiscard]] RecordOrError ParseRecord(std::string_view text);

} // namespace slabcal
