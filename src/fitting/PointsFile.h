#pragma once

#include "fitting/CalibrationPoints.h"

#include <string>
#include <string_view>
#include <variant>

namespace slabcal {

// The fifteen rows of a points file: one "height,signal" line a row in the dialog's order (40 … 800),
// blanks around cells and blank lines ignored, CR LF or LF line ends, an optional first line without any
// digit (a header such as "height,signal"). Each cell must be a decimal number ("4140", "4140.5",
// "-3", "1e3"); the calibration's own checks (positive integers, finite boundary signals) come after,
// on the texts as they stand. Otherwise one line saying which line of the file is wrong and why.
[[nodiscard]] std::variant<CalibrationPoints, std::string> ParsePointsFile(std::string_view text);

// The table as a points file: the header "height,signal", then one line a row with the cells' texts as
// they stand (a row not yet recorded gives ","), each ended by LF.
[[nodiscard]] std::string PointsFileText(const CalibrationPoints& points);

} // namespace slabcal
