#include "analysis/Finding.h"

#include "analysis/CalibrationAnalysis.h"
#include "analysis/DecimalText.h"
#include "texts/CurveTexts.h"

#include <cmath>

namespace slabcal::analysis {
namespace {

namespace curve = texts::curve;

std::string Row(int row) {
    return std::string(curve::RowPrefix) + std::to_string(row + 1) + std::string(curve::RowSuffix);
}

std::string Segment(int segment) {
    return std::string(curve::RowPrefix) + std::to_string(segment + 1) + std::string(curve::SegmentSuffix);
}

// "第4行或第5行"
std::string Rows(const std::vector<int>& rows) {
    std::string text;
    for (int row : rows)
        text += (text.empty() ? std::string() : std::string(curve::Or)) + Row(row);
    return text;
}

std::string Percent(double percent) {
    return FixedText(std::fabs(percent), 1);
}

} // namespace

Finding CulpritFinding(const Culprit& culprit, int segment) {
    std::vector<int> rows{culprit.row};
    if (culprit.alternative)
        rows.push_back(*culprit.alternative);
    return {FindingKind::Culprit,
            Rows(rows) + std::string(curve::CulpritDeviation) + Percent(culprit.deviationPercent) +
                std::string(curve::CulpritAdvice),
            rows, segment};
}

Finding AdviceFinding(const std::vector<int>& rows, double deviationPercent) {
    return {FindingKind::Advice,
            Rows(rows) + std::string(curve::AdviceDeviation) + Percent(deviationPercent) +
                std::string(curve::AdviceAdvice),
            rows, std::nullopt};
}

Finding SegmentOverLimitFinding(int segment) {
    return {
        FindingKind::SegmentOverLimit, Segment(segment) + std::string(curve::SegmentOverLimit), {}, segment};
}

Finding SlopeNotNegativeFinding(int segment) {
    return {
        FindingKind::SlopeNotNegative, Segment(segment) + std::string(curve::SlopeNotNegative), {}, segment};
}

Finding BoundaryJumpFinding(int row, double percent) {
    return {FindingKind::BoundaryJump,
            Row(row) + std::string(curve::BoundaryJump) + FixedText(percent, 1) + " %",
            {row},
            std::nullopt};
}

Finding WrongRangeFinding(int row) {
    return {FindingKind::WrongRange, Row(row) + std::string(curve::WrongRange), {row}, std::nullopt};
}

} // namespace slabcal::analysis
