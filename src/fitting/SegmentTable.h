#pragma once

#include "platform/ConverterContract.h"

#include <array>
#include <cstddef>
#include <optional>

// The six power-law segments of a calibration over the fifteen rows of the point table, as data.
namespace slabcal::segments {

inline constexpr int Count = 6;
inline constexpr int MaxPoints = 4;

// Segment i is fitted through `count` rows from `first`: three points each, four for segment 3 (rows 7
// to 10). Rows 0 to 6 are measured on the converter's small range, 7 to 14 on its large range.
struct Rows {
    int first;
    int count;
};
inline constexpr std::array<Rows, Count> Table{{{0, 3}, {2, 3}, {4, 3}, {7, 4}, {10, 3}, {12, 3}}};

// Rows 0 to 6 are measured on the converter's small range, 7 to 14 on its large range: RangeOfRow, in
// the converter's contract.
using slabcal::RangeOfRow;

// Rows where two segments of one range meet; their signals are the boundary signals ConsRange0 to 3.
inline constexpr int BoundaryCount = 4;
inline constexpr std::array<int, BoundaryCount> BoundaryRows{2, 4, 10, 12};

[[nodiscard]] constexpr std::optional<int> BoundaryIndexOfRow(int row) {
    for (std::size_t index = 0; index < BoundaryRows.size(); ++index) {
        if (BoundaryRows[index] == row)
            return static_cast<int>(index);
    }
    return std::nullopt;
}

// A segment whose worst point lies more than this off its line (in ln(height), a factor e^0.05) is put to
// the operator before it is kept; exactly the limit is not.
inline constexpr double DeviationLimit = 0.05;

} // namespace slabcal::segments
