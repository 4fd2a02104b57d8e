#include "analysis/CalibrationAnalysis.h"

#include "analysis/RangeCurve.h"
#include "analysis/SettleWindow.h"
#include "analysis/SlopeBand.h"
#include "fitting/NumberText.h"
#include "fitting/TableFit.h"

#include <algorithm>
#include <cmath>

namespace slabcal::analysis {
namespace {

// A culprit is named alone only when leaving it out fits the range this many times better than leaving
// out the next most likely row; otherwise both are named.
constexpr double CulpritClearRatio = 4.0;

bool RowUsable(const PointText& point) {
    return ReadIntegerPrefix(point.height) > 0 && ReadIntegerPrefix(point.signal) > 0;
}

double Height(const PointText& point) {
    return ReadIntegerPrefix(point.height);
}
double Signal(const PointText& point) {
    return ReadIntegerPrefix(point.signal);
}

// The rows of `judged` by how well the rest of the range lies on one curve without them, best first.
std::vector<LeftOutRow> MostLikelyFirst(std::vector<LeftOutRow> judged) {
    std::stable_sort(judged.begin(), judged.end(),
                     [](const LeftOutRow& a, const LeftOutRow& b) { return a.restSpread < b.restSpread; });
    return judged;
}

// The rows to name of `ranked`: the most likely, and the next when that explains the range almost as
// well. Of two, the one that needs the smaller correction comes first: small slips are the more common.
std::vector<LeftOutRow> Named(const std::vector<LeftOutRow>& ranked) {
    if (ranked.size() < 2 || !(ranked[1].restSpread < CulpritClearRatio * ranked[0].restSpread))
        return {ranked[0]};
    if (std::fabs(ranked[1].deviation) < std::fabs(ranked[0].deviation))
        return {ranked[1], ranked[0]};
    return {ranked[0], ranked[1]};
}

std::vector<int> RowsOf(const std::vector<LeftOutRow>& judged) {
    std::vector<int> rows;
    for (const LeftOutRow& row : judged)
        rows.push_back(row.row);
    return rows;
}

bool SegmentOnRange(std::size_t segment, ConverterRange range) {
    return segments::RangeOfRow(segments::Table[segment].first) == range;
}

// The row has recorded neighbours on its range on both sides.
bool Between(const CalibrationPoints& points, int row) {
    bool below = false;
    bool above = false;
    for (int other = 0; other < CalibrationRowCount; ++other) {
        if (segments::RangeOfRow(other) != segments::RangeOfRow(row) ||
            !RowUsable(points[static_cast<std::size_t>(other)]))
            continue;
        below = below || other < row;
        above = above || other > row;
    }
    return below && above;
}

// Rows whose slopes to their neighbours no probe gives, each with its deviation; two neighbours both
// flagged make one finding, the row between recorded neighbours first (the other one's only slope runs
// to it).
std::vector<Finding> ImplausibleSlopes(const CalibrationPoints& points, const std::vector<Finding>& findings,
                                       const std::vector<int>& wrongRangeRows) {
    struct Off {
        int row;
        double deviation;
    };
    // A row named already is passed over: it would make its neighbours' slopes look wrong too.
    std::vector<int> told = wrongRangeRows;
    for (const Finding& finding : findings)
        told.insert(told.end(), finding.rows.begin(), finding.rows.end());
    std::vector<Off> off;
    for (int row = 0; row < CalibrationRowCount; ++row) {
        if (std::find(told.begin(), told.end(), row) != told.end())
            continue;
        if (const auto deviation = OffPlausibleSlopes(points, row, told))
            off.push_back({row, *deviation});
    }
    std::vector<Finding> named;
    for (std::size_t k = 0; k < off.size(); ++k) {
        Off first = off[k];
        std::optional<Off> second;
        if (k + 1 < off.size() && off[k + 1].row == first.row + 1 &&
            segments::RangeOfRow(first.row) == segments::RangeOfRow(first.row + 1)) {
            second = off[++k];
            if (Between(points, second->row) && !Between(points, first.row))
                std::swap(first, *second);
        }
        std::vector<int> rows{first.row};
        if (second)
            rows.push_back(second->row);
        named.push_back(AdviceFinding(rows, LogDeviationPercent(first.deviation)));
    }
    return named;
}

// The row lies further off the others' curve than their noise and the curve's allowance explain.
bool BeyondNoise(const LeftOutRow& judged) {
    return std::fabs(judged.deviation) > NoiseLimit(judged.noiseGain) + CurveAllowance;
}

} // namespace

double NoiseLimit(double noiseGain) {
    return AdviceNoiseMultiple * SteepestSlope * SettleWindow::RelativeLimit * noiseGain;
}

bool RangeSpanned(const CalibrationPoints& points, ConverterRange range) {
    const bool small = range == ConverterRange::Small;
    const int first = small ? 0 : LastSmallRangeRow + 1;
    const int last = small ? LastSmallRangeRow : CalibrationRowCount - 1;
    return RowUsable(points[static_cast<std::size_t>(first)]) &&
           RowUsable(points[static_cast<std::size_t>(last)]);
}

std::optional<Culprit> FindCulprit(const CalibrationPoints& points, std::span<const int> candidates) {
    if (candidates.empty())
        return std::nullopt;
    std::vector<LeftOutRow> judged;
    for (const LeftOutRow& row : LeaveEachOut(points, segments::RangeOfRow(candidates.front()))) {
        if (std::find(candidates.begin(), candidates.end(), row.row) != candidates.end())
            judged.push_back(row);
    }
    // A candidate the range cannot judge might be the one: rather name none.
    if (judged.size() != candidates.size())
        return std::nullopt;
    const auto named = Named(MostLikelyFirst(std::move(judged)));
    Culprit culprit{named[0].row, std::nullopt, LogDeviationPercent(named[0].deviation)};
    if (named.size() > 1)
        culprit.alternative = named[1].row;
    return culprit;
}

CalibrationAnalysis Analyse(const CalibrationPoints& points, const RecordedRanges& ranges) {
    CalibrationAnalysis analysis;
    const auto fits = FitTable(points);
    for (std::size_t segment = 0; segment < segments::Table.size(); ++segment) {
        const auto [first, count] = segments::Table[segment];
        SegmentCheck& check = analysis.segments[segment];
        bool complete = true;
        for (int row = first; row < first + count; ++row)
            complete = complete && RowUsable(points[static_cast<std::size_t>(row)]);
        if (!complete || !fits[segment])
            continue;
        const SegmentFit& fit = *fits[segment];
        check.fit = fit;
        check.overLimit = fit.OverLimit();
        check.slopeNotNegative = !(fit.slope < 0);
        const std::size_t firstPoint = analysis.points.size();
        double worst = -1;
        for (int row = first; row < first + count; ++row) {
            const PointText& point = points[static_cast<std::size_t>(row)];
            PointCheck pointCheck{row, static_cast<int>(segment), Height(point), Signal(point)};
            pointCheck.fittedHeight = fit.HeightAt(pointCheck.signal);
            pointCheck.deviationMm = pointCheck.height - pointCheck.fittedHeight;
            pointCheck.deviationPercent = pointCheck.deviationMm / pointCheck.fittedHeight * 100.0;
            if (std::fabs(pointCheck.deviationPercent) > worst) {
                worst = std::fabs(pointCheck.deviationPercent);
                check.worstRow = row;
            }
            analysis.points.push_back(pointCheck);
        }
        for (std::size_t k = firstPoint; k < analysis.points.size(); ++k)
            analysis.points[k].worstOfSegment = analysis.points[k].row == check.worstRow;
        if (check.overLimit) {
            std::vector<int> rows;
            for (int row = first; row < first + count; ++row)
                rows.push_back(row);
            check.culprit = FindCulprit(points, rows);
            // The per-point table shows the segment's worst row; a line naming another row alone would
            // contradict it.
            if (check.culprit && check.culprit->row != check.worstRow)
                check.culprit->alternative = check.worstRow;
        }
    }

    // Neighbouring segments of one range share a boundary row; both should give about its height there.
    for (std::size_t segment = 0; segment + 1 < segments::Table.size(); ++segment) {
        const int row = segments::Table[segment + 1].first;
        const auto& lower = analysis.segments[segment].fit;
        const auto& upper = analysis.segments[segment + 1].fit;
        if (!segments::BoundaryIndexOfRow(row) || !lower || !upper)
            continue;
        BoundaryCheck boundary{row, Signal(points[static_cast<std::size_t>(row)])};
        const double lowerLog = std::log(lower->HeightAt(boundary.signal));
        const double upperLog = std::log(upper->HeightAt(boundary.signal));
        boundary.lowerHeight = std::exp(lowerLog);
        boundary.upperHeight = std::exp(upperLog);
        boundary.jumpPercent = LogDeviationPercent(std::fabs(upperLog - lowerLog));
        boundary.overLimit = std::fabs(upperLog - lowerLog) > BoundaryJumpLimit;
        analysis.boundaries.push_back(boundary);
    }

    for (int row = 0; row < CalibrationRowCount; ++row) {
        const auto& range = ranges[static_cast<std::size_t>(row)];
        if (range && *range != segments::RangeOfRow(row) && RowUsable(points[static_cast<std::size_t>(row)]))
            analysis.wrongRangeRows.push_back(row);
    }

    for (std::size_t segment = 0; segment < analysis.segments.size(); ++segment) {
        const SegmentCheck& check = analysis.segments[segment];
        const auto index = static_cast<int>(segment);
        if (check.slopeNotNegative)
            analysis.findings.push_back(SlopeNotNegativeFinding(index));
        if (check.overLimit && check.culprit)
            analysis.findings.push_back(CulpritFinding(*check.culprit, index));
        else if (check.overLimit)
            analysis.findings.push_back(SegmentOverLimitFinding(index));
    }

    // A row off by less than the question's limit, found by the range as a whole. A range with a segment
    // over the limit has its culprit named already.
    for (const auto range : {ConverterRange::Small, ConverterRange::Large}) {
        bool asked = false;
        for (std::size_t segment = 0; segment < analysis.segments.size(); ++segment)
            asked = asked || (SegmentOnRange(segment, range) && analysis.segments[segment].overLimit);
        if (asked || !RangeSpanned(points, range))
            continue;
        const auto ranked = MostLikelyFirst(LeaveEachOut(points, range));
        if (ranked.empty() || !BeyondNoise(ranked[0]))
            continue;
        const auto named = Named(ranked);
        const bool otherRange = std::find(analysis.wrongRangeRows.begin(), analysis.wrongRangeRows.end(),
                                          named[0].row) != analysis.wrongRangeRows.end();
        if (!otherRange)
            analysis.findings.push_back(
                AdviceFinding(RowsOf(named), LogDeviationPercent(named[0].deviation)));
    }

    // A row whose slopes to its neighbours no probe gives, though nothing above names it; while a range is
    // recorded only in part, the first thing that can be told of a row just saved.
    for (Finding& finding : ImplausibleSlopes(points, analysis.findings, analysis.wrongRangeRows))
        analysis.findings.push_back(std::move(finding));

    for (const BoundaryCheck& boundary : analysis.boundaries) {
        if (boundary.overLimit)
            analysis.findings.push_back(BoundaryJumpFinding(boundary.row, boundary.jumpPercent));
    }
    for (int row : analysis.wrongRangeRows)
        analysis.findings.push_back(WrongRangeFinding(row));

    for (PointCheck& point : analysis.points) {
        for (const Finding& finding : analysis.findings)
            point.named = point.named || std::find(finding.rows.begin(), finding.rows.end(), point.row) !=
                                             finding.rows.end();
    }
    return analysis;
}

} // namespace slabcal::analysis
