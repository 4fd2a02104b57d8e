#include "analysis/CalibrationAnalysis.h"

#include "analysis/DecimalText.h"
#include "fitting/NumberText.h"
#include "fitting/TableFit.h"
#include "texts/CurveTexts.h"

#include <algorithm>
#include <cmath>

namespace slabcal::analysis {
namespace {

namespace curve = texts::curve;

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

double Percent(double logDeviation) {
    return LogDeviationPercent(logDeviation);
}

std::string Row(int row) {
    return std::string(curve::RowPrefix) + std::to_string(row + 1) + std::string(curve::RowSuffix);
}

std::string Segment(int segment) {
    return std::string(curve::RowPrefix) + std::to_string(segment + 1) + std::string(curve::SegmentSuffix);
}

// Residual sum of squares of the least-squares quadratic through (x, y); x is centred first so that the
// normal equations stay well conditioned.
struct Quadratic {
    double mean = 0;
    std::array<double, 3> c{};
    [[nodiscard]] double operator()(double x) const {
        const double u = x - mean;
        return c[0] + (c[1] + c[2] * u) * u;
    }
};

std::optional<Quadratic> FitQuadratic(std::span<const double> x, std::span<const double> y) {
    Quadratic q;
    for (double value : x)
        q.mean += value / static_cast<double>(x.size());
    std::array<std::array<double, 4>, 3> m{};
    for (std::size_t k = 0; k < x.size(); ++k) {
        const double u = x[k] - q.mean;
        const std::array<double, 3> powers{1.0, u, u * u};
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 0; j < 3; ++j)
                m[i][j] += powers[i] * powers[j];
            m[i][3] += powers[i] * y[k];
        }
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t pivot =
            static_cast<std::size_t>(std::max_element(m.begin() + static_cast<std::ptrdiff_t>(i), m.end(),
                                                      [i](const auto& a, const auto& b) {
                                                          return std::fabs(a[i]) < std::fabs(b[i]);
                                                      }) -
                                     m.begin());
        std::swap(m[i], m[pivot]);
        if (std::fabs(m[i][i]) < 1e-12)
            return std::nullopt;
        for (std::size_t r = i + 1; r < 3; ++r) {
            const double factor = m[r][i] / m[i][i];
            for (std::size_t col = i; col < 4; ++col)
                m[r][col] -= factor * m[i][col];
        }
    }
    for (std::size_t i = 3; i-- > 0;) {
        double value = m[i][3];
        for (std::size_t k = i + 1; k < 3; ++k)
            value -= m[i][k] * q.c[k];
        q.c[i] = value / m[i][i];
    }
    return q;
}

std::string CulpritLine(const Culprit& culprit) {
    std::string line = Row(culprit.row);
    if (culprit.alternative)
        line += std::string(curve::Or) + Row(*culprit.alternative);
    return line + std::string(curve::CulpritDeviation) + FixedText(std::fabs(culprit.deviationPercent), 1) +
           std::string(curve::CulpritAdvice);
}

} // namespace

std::optional<Culprit> FindCulprit(const CalibrationPoints& points, std::span<const int> candidates) {
    struct Score {
        double rest = 0; // the other rows' residual sum of squares
        int row = 0;
        double deviation = 0;
    };
    std::vector<Score> scores;
    for (int candidate : candidates) {
        const ConverterRange range = segments::RangeOfRow(candidate);
        std::vector<double> x;
        std::vector<double> y;
        for (int row = 0; row < CalibrationRowCount; ++row) {
            const PointText& point = points[static_cast<std::size_t>(row)];
            if (row != candidate && segments::RangeOfRow(row) == range && RowUsable(point)) {
                x.push_back(std::log(Signal(point)));
                y.push_back(std::log(Height(point)));
            }
        }
        const PointText& suspect = points[static_cast<std::size_t>(candidate)];
        if (x.size() < 4 || !RowUsable(suspect))
            return std::nullopt;
        const auto curve = FitQuadratic(x, y);
        if (!curve)
            return std::nullopt;
        Score score{0, candidate, std::log(Height(suspect)) - (*curve)(std::log(Signal(suspect)))};
        for (std::size_t k = 0; k < x.size(); ++k)
            score.rest += std::pow(y[k] - (*curve)(x[k]), 2);
        scores.push_back(score);
    }
    if (scores.empty())
        return std::nullopt;
    std::sort(scores.begin(), scores.end(), [](const Score& a, const Score& b) { return a.rest < b.rest; });
    Culprit culprit{scores[0].row, std::nullopt, Percent(scores[0].deviation)};
    if (scores.size() > 1 && scores[1].rest < CulpritClearRatio * scores[0].rest)
        culprit.alternative = scores[1].row;
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
        const double logSignal = std::log(boundary.signal);
        const double lowerLog = lower->slope * logSignal + lower->intercept;
        const double upperLog = upper->slope * logSignal + upper->intercept;
        boundary.lowerHeight = std::exp(lowerLog);
        boundary.upperHeight = std::exp(upperLog);
        boundary.jumpPercent = Percent(std::fabs(upperLog - lowerLog));
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
            analysis.findings.push_back(Segment(index) + std::string(curve::SlopeNotNegative));
        if (check.overLimit)
            analysis.findings.push_back(check.culprit
                                            ? CulpritLine(*check.culprit)
                                            : Segment(index) + std::string(curve::SegmentOverLimit));
    }
    for (const BoundaryCheck& boundary : analysis.boundaries) {
        if (boundary.overLimit)
            analysis.findings.push_back(Row(boundary.row) + std::string(curve::BoundaryJump) +
                                        FixedText(boundary.jumpPercent, 1) + " %");
    }
    for (int row : analysis.wrongRangeRows)
        analysis.findings.push_back(Row(row) + std::string(curve::WrongRange));
    return analysis;
}

} // namespace slabcal::analysis
