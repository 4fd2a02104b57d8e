#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace slabcal {

// Result of the converter operations. Callers test only for AdOk; the other values tell which step failed.
enum AdResult : uint8_t {
    AdOk = 0,
    AdHandleLost = 1,
    AdReadError = 2,
    AdWriteError = 3, // kept for the table's sake: no operation of the converter writes
    AdLargeRangeError = 4,
    AdSmallRangeError = 5,
    AdBadCount = 255,
};

// Descriptions of the codes 0 to 5, for diagnostics only: the operator never sees them (the callers show
// their own fixed messages). AdBadCount has no entry.
inline constexpr std::array<std::string_view, 6> AdResultText{
    "成功", "句柄丢失", "读AD错误", "写错误", "打开大量程错误", "打开小量程错误",
};

} // namespace slabcal
