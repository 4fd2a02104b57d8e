#pragma once

#include <cstdint>

namespace slabcal {

// The I/O control codes of the gauge's AD converter driver "SPA1:", and the size of one sample record
// (byte 0 and 4 the driver's own, bytes 1-3 the 24-bit result, most significant first).
inline constexpr std::uint32_t SelectSmallRangeCode = 8;
inline constexpr std::uint32_t SelectLargeRangeCode = 9;
inline constexpr std::uint32_t ReadSampleCode = 12;
inline constexpr std::uint32_t InitialiseCode = 14;
inline constexpr std::uint32_t SampleRecordSize = 5;

} // namespace slabcal
