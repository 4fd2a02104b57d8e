#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace slabcal::points {

// The fifteen calibration heights in millimetres, as the height box lists them. Item i of the height
// box, row i of the point table and entry i here always belong together.
inline constexpr std::array<std::string_view, 15> Heights{
    "40", "50", "70", "100", "150", "200", "240", "250", "300", "400", "500", "600", "700", "750", "800"};
inline constexpr int RowCount = static_cast<int>(Heights.size());

inline constexpr int NumberColumn = 0;
inline constexpr int HeightColumn = 1;
inline constexpr int SignalColumn = 2;

// Rows where two segments of one converter range meet; saving one also captures its boundary signal.
inline constexpr std::array<int, 4> BoundaryRows{2, 4, 10, 12};

[[nodiscard]] constexpr std::optional<int> BoundaryIndexOfRow(int row) {
    for (int index = 0; index < static_cast<int>(BoundaryRows.size()); ++index) {
        if (BoundaryRows[static_cast<std::size_t>(index)] == row)
            return index;
    }
    return std::nullopt;
}

// Segment i is fitted through these rows: three points each, four for segment 3 (rows 7 to 10).
struct SegmentRows {
    int first;
    int count;
};
inline constexpr std::array<SegmentRows, 6> Segments{{{0, 3}, {2, 3}, {4, 3}, {7, 4}, {10, 3}, {12, 3}}};

} // namespace slabcal::points
