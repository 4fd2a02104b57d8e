#include "fitting/PointsFile.h"

#include <algorithm>
#include <regex>
#include <vector>

namespace slabcal {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool IsNumber(const std::string& cell) {
    static const std::regex number(R"(^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$)");
    return std::regex_match(cell, number);
}

} // namespace

std::variant<CalibrationPoints, std::string> ParsePointsFile(std::string_view text) {
    struct Row {
        int line;
        PointText point;
    };
    std::vector<Row> rows;
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
        for (const std::string& cell : {point.height, point.signal})
            if (!IsNumber(cell))
                return "line " + std::to_string(lineNumber) + ": '" + cell + "' is not a number";
        rows.push_back({lineNumber, point});
    }
    CalibrationPoints points;
    if (rows.size() != points.size())
        return std::to_string(rows.size()) + " rows; a calibration has " + std::to_string(points.size()) +
               " (height,signal for 40 … 800 mm)";
    for (std::size_t row = 0; row < points.size(); ++row)
        points[row] = rows[row].point;
    return points;
}

std::string PointsFileText(const CalibrationPoints& points) {
    std::string text = "height,signal\n";
    for (const PointText& point : points)
        text += point.height + "," + point.signal + "\n";
    return text;
}

} // namespace slabcal
