#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace slabcal::analysis {

// What a finding says.
enum class FindingKind : std::uint8_t {
    Culprit,          // the row(s) that most likely spoiled a segment over the question's limit
    SegmentOverLimit, // a segment over the limit whose range cannot tell which row spoiled it
    SlopeNotNegative, // a segment whose signal rises with the height: two rows swapped?
    Advice,           // a row the range as a whole disagrees with, though no segment is over the limit
    BoundaryJump,     // at a boundary row the two segments give heights too far apart
    WrongRange,       // a row measured on the other converter range
};

// One line for the operator about the table, with the rows it names (from 0, the most likely first) or the
// segment it concerns.
struct Finding {
    FindingKind kind = FindingKind::Advice;
    std::string text;
    std::vector<int> rows;
    std::optional<int> segment;

    // The rows it holds to be recorded wrong (a boundary jump's row only marks where).
    [[nodiscard]] bool Suspects() const { return kind != FindingKind::BoundaryJump; }

    friend bool operator==(const Finding&, const Finding&) = default;
};

struct Culprit;

// The findings' lines, rows and segments numbered from 1 as the dialog numbers rows.
[[nodiscard]] Finding CulpritFinding(const Culprit& culprit, int segment); // "第9行: 偏离 10.0 %, 请重新测量"
[[nodiscard]] Finding AdviceFinding(const std::vector<int>& rows, // "第9行可能偏离 5.1 %, 建议重新测量"
                                    double deviationPercent);
[[nodiscard]] Finding SegmentOverLimitFinding(int segment); // "第4段偏差过大"
[[nodiscard]] Finding SlopeNotNegativeFinding(int segment); // "第6段斜率不为负, 可能两行颠倒"
[[nodiscard]] Finding BoundaryJumpFinding(int row, double percent); // "第11行分界处两段高度相差 2.1 %"
[[nodiscard]] Finding WrongRangeFinding(int row); // "第8行在另一量程上记录, 请重新测量"

} // namespace slabcal::analysis
