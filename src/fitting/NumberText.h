#pragma once

#include <cstdint>
#include <string_view>

namespace slabcal {

// How the calibration has always read numbers from cell and field texts.

// As wcstod: leading white space skipped, the longest decimal prefix read ([sign] digits [. digits]
// [exponent]), 0 when there is none. Decimal only: "inf", "nan" and hexadecimal forms read as 0. A
// magnitude beyond double's range gives infinity, which callers must refuse.
[[nodiscard]] double ReadDecimalPrefix(std::string_view text);

// The text ReadDecimalPrefix reads: the longest decimal prefix after the leading white space ("4140" of
// " 4140abc", "1" of "1,5", "8.565E+03" whole); empty when there is none.
[[nodiscard]] std::string_view DecimalPrefixText(std::string_view text);

// As _wtoi: leading white space and one sign allowed, digits up to the first non-digit, 0 when there are
// none; a value beyond 32 bits saturates.
[[nodiscard]] int32_t ReadIntegerPrefix(std::string_view text);

} // namespace slabcal
