#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace slabcal {

// What the gauge's software and any converter driver agree on, in one place: the device name the
// converter is opened by, its I/O control codes, the sample record and the counts per signal unit.
inline constexpr std::string_view ConverterDeviceName = "SPA1:";

// The converter's two measuring ranges, chosen by codes 8 and 9.
enum class ConverterRange : std::uint8_t { Small, Large };

// The range a calibration row is measured on: rows up to this one (heights 40 to 240 mm, and -1, before
// the table) on the small range, the rest on the large range. The sampling worker switches by it.
inline constexpr int LastSmallRangeRow = 6;
[[nodiscard]] constexpr ConverterRange RangeOfRow(int row) {
    return row <= LastSmallRangeRow ? ConverterRange::Small : ConverterRange::Large;
}

inline constexpr std::uint32_t SelectSmallRangeCode = 8;
inline constexpr std::uint32_t SelectLargeRangeCode = 9;
inline constexpr std::uint32_t ReadSampleCode = 12;
inline constexpr std::uint32_t InitialiseCode = 14;

// One sample record: bytes 1 to 3 hold the 24-bit conversion result, most significant first; bytes 0 and
// 4 are the driver's own and mean nothing to the calibration.
inline constexpr std::uint32_t SampleRecordSize = 5;
inline constexpr std::uint32_t MaxSampleCounts = 0xFFFFFF;
using SampleRecord = std::array<std::uint8_t, SampleRecordSize>;

[[nodiscard]] constexpr SampleRecord EncodeSampleRecord(std::uint32_t counts, std::uint8_t first = 0,
                                                        std::uint8_t last = 0) {
    return {first, static_cast<std::uint8_t>(counts >> 16), static_cast<std::uint8_t>(counts >> 8),
            static_cast<std::uint8_t>(counts), last};
}

[[nodiscard]] constexpr std::uint32_t DecodeSampleRecord(const std::uint8_t* record) {
    return (std::uint32_t{record[1]} << 16) | (std::uint32_t{record[2]} << 8) | std::uint32_t{record[3]};
}

// The signal the operator sees is the average of the records' counts in units of this many counts.
inline constexpr std::uint32_t CountsPerSignalUnit = 1000;

// How many of the newest signals judge whether the signal has settled, and give a saved signal's spread.
inline constexpr std::size_t SettleSampleCount = 10;

} // namespace slabcal
