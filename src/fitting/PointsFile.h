#pragma once

#include "fitting/CalibrationPoints.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace slabcal {

// The longest cell a points file may hold; "4140.5669" needs nine characters. A longer cell is refused
// before it is read.
inline constexpr std::size_t MaxPointsCellLength = 32;

// The fifteen rows of a points file: one "height,signal" line a row in the dialog's order (40 … 800),
// blanks around cells and blank lines ignored, CR LF or LF line ends, an optional first line without any
// digit (a header such as "height,signal"). Each cell must be empty or a decimal number of at most
// MaxPointsCellLength characters ("4140", "4140.5", "-3") whose value, truncated, is the integer the
// calibration reads from it: "8.565E+03" or "1e3" (which the calibration reads as 8 and 1) are refused,
// naming the row. The calibration's own checks (positive integers, finite boundary signals) come after,
// on the texts as they stand, so an empty cell is refused as the dialog refuses an unrecorded row. Otherwise
// one line saying which line of the file is wrong and why.
[[nodiscard]] std::variant<CalibrationPoints, std::string> ParsePointsFile(std::string_view text);

// Why a table cannot be written as a points file: one line naming the row.
struct PointsFileRefusal {
    std::string message;
};

// The table as a points file ParsePointsFile reads back to the very numbers the calibration reads: the
// header "height,signal", then one line a row, each ended by LF, each cell written as the text the
// calibration reads from it, its longest decimal prefix ("4140abc" gives "4140", "1,5" gives "1"); a cell
// without one (a row not yet recorded) is left empty. A cell no points file can hold (a decimal value
// that is not the integer the calibration reads, as "8.565E+03"; a number longer than MaxPointsCellLength)
// refuses the whole table.
[[nodiscard]] std::variant<std::string, PointsFileRefusal> PointsFileText(const CalibrationPoints& points);

} // namespace slabcal
