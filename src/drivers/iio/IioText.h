#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace slabcal {

// The numbers in IIO attribute texts. Blanks and line ends around a value are ignored; anything else that
// is not part of the number makes the text unusable, so "12abc" is never read as 12.

// A raw conversion: an optionally signed decimal integer. One too long for 64 bits is still an integer and
// comes back as the nearest 64-bit end, so it saturates like any other out-of-range value.
[[nodiscard]] std::optional<std::int64_t> ParseRawValue(std::string_view text);

// A raw value as the converter's 24 bits: below 0 gives 0, above 2^24 - 1 gives 2^24 - 1, never wrapped.
[[nodiscard]] std::uint32_t SaturatedCounts(std::int64_t raw);

// One scale ("0.000298"), finite, read in the C locale whatever the process's locale.
[[nodiscard]] std::optional<double> ParseScale(std::string_view text);

// A scale_available list: scales separated by blanks. An empty list, or a range ("[min step max]"), is
// unusable.
[[nodiscard]] std::optional<std::vector<double>> ParseScaleList(std::string_view text);

// Without the blanks and line ends around it.
[[nodiscard]] std::string_view TrimmedText(std::string_view text);

} // namespace slabcal
