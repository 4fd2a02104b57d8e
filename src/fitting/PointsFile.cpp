#include "fitting/PointsFile.h"

#include "fitting/NumberText.h"
#include "platform/ClassicNumbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace slabcal {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Why `cell` cannot stand in a points file, completing "row N's height …"; nothing when it can. An empty
// cell can: the calibration refuses its row ("第N行数据无效") as it refuses an unrecorded row in the dialog.
std::optional<std::string> CellProblem(std::string_view cell) {
    if (cell.size() > MaxPointsCellLength)
        return "is " + std::to_string(cell.size()) + " characters long (at most " +
               std::to_string(MaxPointsCellLength) + ")";
    const std::string quoted = "'" + std::string(cell) + "'";
    if (DecimalPrefixText(cell) != cell)
        return quoted + " is not a number";
    // The dialog fits the integer prefix and keeps the decimal reading only as a boundary signal: a file
    // must not mean one number to a reader and another to the fit.
    const double decimal = ReadDecimalPrefix(cell);
    const int32_t integer = ReadIntegerPrefix(cell);
    if (std::trunc(decimal) != static_cast<double>(integer))
        return quoted + " is " + ShortestDecimal(decimal) + ", but the calibration reads it as " +
               std::to_string(integer);
    return std::nullopt;
}

// The first cell of a row that cannot stand in a points file, as "row N's height …"; nothing when both can.
std::optional<std::string> RowProblem(std::size_t row, const PointText& point) {
    for (const auto& [cell, column] :
         {std::pair{&point.height, "height"}, std::pair{&point.signal, "signal"}})
        if (const auto problem = CellProblem(*cell))
            return "row " + std::to_string(row + 1) + "'s " + column + " " + *problem;
    return std::nullopt;
}

} // namespace

std::variant<CalibrationPoints, std::string> ParsePointsFile(std::string_view text) {
    std::vector<PointText> rows;
    int lineNumber = 0;
    bool first = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        if (line.empty())
            continue;
        const bool header =
            first && std::none_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
        first = false;
        if (header)
            continue;
        const auto comma = line.find(',');
        if (comma == std::string_view::npos || line.find(',', comma + 1) != std::string_view::npos)
            return "line " + std::to_string(lineNumber) + ": expected height,signal";
        const PointText point{std::string(Trim(line.substr(0, comma))),
                              std::string(Trim(line.substr(comma + 1)))};
        if (const auto problem = RowProblem(rows.size(), point))
            return "line " + std::to_string(lineNumber) + ": " + *problem;
        rows.push_back(point);
    }
    CalibrationPoints points;
    if (rows.size() != points.size())
        return std::to_string(rows.size()) + " rows; a calibration has " + std::to_string(points.size()) +
               " (height,signal for 40 … 800 mm)";
    std::copy(rows.begin(), rows.end(), points.begin());
    return points;
}

std::variant<std::string, PointsFileRefusal> PointsFileText(const CalibrationPoints& points) {
    std::string text = "height,signal\n";
    for (std::size_t row = 0; row < points.size(); ++row) {
        const PointText read{std::string(DecimalPrefixText(points[row].height)),
                             std::string(DecimalPrefixText(points[row].signal))};
        if (const auto problem = RowProblem(row, read))
            return PointsFileRefusal{*problem + "; a points file cannot hold it"};
        text += read.height + "," + read.signal + "\n";
    }
    return text;
}

} // namespace slabcal
