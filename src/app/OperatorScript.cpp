#include "app/OperatorScript.h"

#include "calibration/PointTable.h"
#include "framework/headless/HeadlessWindow.h"
#include "resources/ControlIds.h"
#include "worksheet/CalibrationWorksheet.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <string>

namespace slabcal {
namespace {

constexpr std::chrono::seconds SignalWait{10};

// The height's item in the height box; -1 for "-" or a height it does not list.
int HeightIndex(std::string_view height) {
    const auto found = std::find(points::Heights.begin(), points::Heights.end(), height);
    return found == points::Heights.end() ? -1 : static_cast<int>(found - points::Heights.begin());
}

} // namespace

OperatorScript::OperatorScript(std::istream& input, std::ostream& output, std::ostream& errors,
                               HeadlessBackend& headless, const CalibrationWorksheet& sheet)
    : in(input), out(output), err(errors), backend(headless), worksheet(sheet) {}

bool OperatorScript::Run(HeadlessWindow& window) {
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!Step(window, line)) {
            err << "slabcal: script line " << number << ": cannot do '" << line << "'\n";
            return false;
        }
        window.ProcessPending();
        out << "> " << line << std::endl;
    }
    return true;
}

bool OperatorScript::Step(HeadlessWindow& window, const std::string& line) {
    const auto space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    if (verb.empty() || verb.front() == '#')
        return true;
    if (verb == "height") {
        const int index = HeightIndex(rest);
        if (index < 0 && rest != "-")
            return false;
        window.Select(ids::HeightBox, index);
    } else if (verb == "type") {
        window.Type(ids::SignalField, rest);
    } else if (verb == "signal") {
        LiveSignal::Cursor cursor;
        (void)worksheet.Live()->Since(cursor);
        return window.PumpUntil([&] { return !worksheet.Live()->Since(cursor).values.empty(); },
                                std::chrono::duration_cast<std::chrono::milliseconds>(SignalWait));
    } else if (verb == "save" && rest.empty()) {
        window.Click(ids::SavePointButton);
    } else if (verb == "write" && rest.empty()) {
        window.Click(ids::WriteParametersButton);
    } else if (verb == "answer" && (rest == "yes" || rest == "no")) {
        backend.QueueAnswer(rest == "yes" ? IdYes : IdNo);
    } else if (verb == "show" && rest.empty()) {
        Show(window);
    } else if (verb == "reconnect" && rest.empty()) {
        return worksheet.Live()->Reconnect();
    } else {
        return false;
    }
    return true;
}

void OperatorScript::Show(const HeadlessWindow& window) {
    for (int row = 0; row < points::RowCount; ++row)
        out << "row " << row + 1 << ": " << window.ListGetItemText(ids::PointList, row, points::HeightColumn)
            << ' ' << window.ListGetItemText(ids::PointList, row, points::SignalColumn) << '\n';
    out << "next row " << worksheet.CurrentRow() + 1 << '\n' << "boundary signals";
    for (double signal : worksheet.Model().ConsRange) {
        std::array<char, 32> text{};
        out << ' '
            << std::string_view(text.data(),
                                std::to_chars(text.data(), text.data() + text.size(), signal).ptr);
    }
    out << '\n' << "status " << window.GetText(ids::StatusLine) << '\n';
}

} // namespace slabcal
