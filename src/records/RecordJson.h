#pragma once

#include "records/CalibrationRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace slabcal {

// Why a record file cannot be used.
enum class RecordProblem : std::uint8_t {
    Missing,      // no record of that name
    Damaged,      // not JSON, or not a record of this format: kept as it is, listed as damaged
    NewerVersion, // written by a later program in a format this one does not know
    NoSave,       // a table kept without a save (an abandoned one): no values to restore or certify
};

struct RecordError {
    RecordProblem problem = RecordProblem::Damaged;
    std::string detail; // one line: what is wrong

    friend bool operator==(const RecordError&, const RecordError&) = default;
};

using RecordOrError = std::variant<CalibrationRecord, RecordError>;

// A record is about 4 KiB. A larger file is refused as damaged without being read whole, so a damaged or
// hostile file in the record folder costs milliseconds and bounded memory wherever records are read
// (history, restore, the certificate, the curve window); WriteRecord never stores one (a table cell
// pasted full of text), so every record it stores reads back.
inline constexpr std::size_t MaxRecordBytes = 256 * 1024;

// How a record over MaxRecordBytes is reported, whether its text or its file was found too large.
[[nodiscard]] RecordError OversizedRecord();

// The record as JSON text, two-space indented, ending with a newline. Texts that are not UTF-8 (a cell
// typed with stray bytes) are stored with U+FFFD in their place rather than refused.
[[nodiscard]] std::string RecordToJson(const CalibrationRecord& record);

// The record, or why it is not one: every field must be present with its type, numbers finite, fifteen
// points, six segments, four boundary signals, the sixteen keys in order, a 64-digit checksum; a format
// version above RecordFormatVersion is NewerVersion, whatever else the file holds. A text over
// MaxRecordBytes, or nested deeper than any record could be, is Damaged without being read further.
[[nodiscard]] RecordOrError ParseRecord(std::string_view text);

} // namespace slabcal
