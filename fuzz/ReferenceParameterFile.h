#pragma once

#include "storage/ParameterFile.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

// The parameter file's reading and writing rules, written out a second time, plainly and apart from
// ParameterFile, so that the fuzz targets judge the table against the rules and not against itself.
// Only the number conversions (ParameterFile::FormatValue, ParameterFile::ReadValue) are shared.
namespace reference {

using Entries = std::vector<ParameterEntry>;

// The entries of a file: none when its first line is not the signature.
[[nodiscard]] Entries Read(std::string_view bytes);
// The entries the gauge's own reader takes from a file: 254-byte reads, 63-character fields, 49 entries.
[[nodiscard]] Entries GaugeRead(std::string_view bytes);
// True when the gauge, reading `bytes`, takes each of `keys` with the number of its first entry in
// `entries`.
[[nodiscard]] bool GaugeSees(std::string_view bytes, const Entries& entries,
                             std::span<const std::string_view> keys);
// The bytes a save stores for these entries.
[[nodiscard]] std::string Write(const Entries& entries);
// What setting one value does to the entries; true when they changed.
bool Set(Entries& entries, std::string_view key, float value);

} // namespace reference
} // namespace slabcal
