#include "assessment/AssessPoints.h"

#include "analysis/StoredComparison.h"
#include "fitting/NumberText.h"
#include "storage/ReadSegmentModel.h"

#include <cmath>
#include <numbers>

namespace slabcal {
namespace {

// The values the file held before the save, when it held all sixteen.
std::optional<SegmentModel> ModelBefore(const CalibrationRecord& record) {
    std::array<std::string, SegmentModelKeys.size()> texts;
    if (record.values.size() != texts.size())
        return std::nullopt;
    for (std::size_t index = 0; index < texts.size(); ++index) {
        if (!record.values[index].before)
            return std::nullopt;
        texts[index] = *record.values[index].before;
    }
    return SegmentModelFromTexts(texts);
}

Decision Decide(double error, double expanded, const std::optional<PermissibleError>& permissible,
                double referenceHeight) {
    if (!permissible)
        return Decision::None;
    const double limit = permissible->At(referenceHeight);
    if (std::abs(error) + expanded <= limit)
        return Decision::Pass;
    if (std::abs(error) - expanded > limit)
        return Decision::Fail;
    return Decision::Indeterminate;
}

} // namespace

std::vector<PointAssessment> AssessPoints(const CalibrationRecord& record) {
    std::vector<PointAssessment> points;
    if (!RecordsASave(record.kind))
        return points;
    const auto after = SegmentModelFromTexts(ValueTexts(record));
    if (!after)
        return points;
    const auto before = ModelBefore(record);
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const auto index = static_cast<std::size_t>(row);
        const double reference = ReadIntegerPrefix(record.points[index].height);
        const double signal = ReadIntegerPrefix(record.points[index].signal);
        const ConverterRange range = RangeOfRow(row);
        const auto asLeft = analysis::HeightAt(*after, range, signal);
        if (reference <= 0 || !asLeft)
            continue;
        PointAssessment point;
        point.row = row;
        point.referenceHeight = reference;
        point.signal = signal;
        if (before)
            point.asFound = analysis::HeightAt(*before, range, signal);
        point.asLeft = *asLeft;
        const std::size_t segment = analysis::SegmentAt(*after, range, signal);
        point.segment = static_cast<std::int32_t>(segment);
        point.sensitivity = std::abs(after->CurveA[segment]) * *asLeft / signal;
        if (const auto tolerance = record.settings.Tolerance(range))
            point.uReference = *tolerance / std::numbers::sqrt3;
        if (const auto& spread = record.spreads[index])
            point.uRepeatability = point.sensitivity * spread->standardDeviation;
        point.uResolution = point.sensitivity * SignalResolution / std::sqrt(12.0);
        const double pointsInSegment = segments::Table[segment].count;
        point.uFit = *asLeft * std::sqrt(record.segments[segment].fit.sumSquares / pointsInSegment);
        const double uReference = point.uReference.value_or(0);
        const double uRepeatability = point.uRepeatability.value_or(0);
        point.expanded =
            CoverageFactor * std::sqrt(uReference * uReference + uRepeatability * uRepeatability +
                                       point.uResolution * point.uResolution + point.uFit * point.uFit);
        point.decision =
            Decide(point.AsLeftError(), point.expanded, record.settings.permissibleError, reference);
        points.push_back(point);
    }
    return points;
}

} // namespace slabcal
