#include "analysis/RangeCurve.h"

#include "fitting/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>

namespace slabcal::analysis {
namespace {

constexpr std::size_t MaxParameters = 4;
constexpr std::size_t MaxRows = CalibrationRowCount - LastSmallRangeRow - 1; // the large range's
static_assert(MaxRows >= LastSmallRangeRow + 1);

// A leverage this close to 1 means the other rows do not fix the curve at the row's signal.
constexpr double Undetermined = 1e-9;

using Column = std::array<double, MaxRows>;

// The rows of one range as the fit reads them.
struct RangeRows {
    std::size_t count = 0;
    std::array<int, MaxRows> row{};
    Column x{}; // ln(signal)
    Column y{}; // ln(height)
};

RangeRows Recorded(const CalibrationPoints& points, ConverterRange range) {
    RangeRows rows;
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const PointText& point = points[static_cast<std::size_t>(row)];
        const double height = ReadIntegerPrefix(point.height);
        const double signal = ReadIntegerPrefix(point.signal);
        if (segments::RangeOfRow(row) != range || !(height > 0) || !(signal > 0))
            continue;
        rows.row[rows.count] = row;
        rows.x[rows.count] = std::log(signal);
        rows.y[rows.count] = std::log(height);
        ++rows.count;
    }
    return rows;
}

// The columns of one shape at the range's rows; x is centred first, so that the normal equations stay
// well conditioned.
struct Design {
    std::size_t parameters = 0;
    std::array<Column, MaxParameters> column{};

    void Add(const Column& values) { column[parameters++] = values; }
};

Design Shape(CurveShape shape, const RangeRows& rows) {
    double mean = 0;
    for (std::size_t k = 0; k < rows.count; ++k)
        mean += rows.x[k] / static_cast<double>(rows.count);
    Column one{};
    Column u{};
    Column square{};
    Column cube{};
    for (std::size_t k = 0; k < rows.count; ++k) {
        one[k] = 1;
        u[k] = rows.x[k] - mean;
        square[k] = u[k] * u[k];
        cube[k] = square[k] * u[k];
    }
    Design design;
    design.Add(one);
    design.Add(u);
    if (shape == CurveShape::Quadratic || shape == CurveShape::Cubic)
        design.Add(square);
    if (shape == CurveShape::Cubic)
        design.Add(cube);
    if (shape != CurveShape::Segments)
        return design;
    // The slope may change at each recorded boundary row that has rows beyond it (at smaller signals).
    for (int boundary : segments::BoundaryRows) {
        const auto* at =
            std::find(rows.row.begin(), rows.row.begin() + static_cast<std::ptrdiff_t>(rows.count), boundary);
        if (at == rows.row.begin() + static_cast<std::ptrdiff_t>(rows.count))
            continue;
        const double knot = rows.x[static_cast<std::size_t>(at - rows.row.begin())];
        Column hinge{};
        bool beyond = false;
        for (std::size_t k = 0; k < rows.count; ++k) {
            hinge[k] = std::max(0.0, knot - rows.x[k]);
            beyond = beyond || hinge[k] > 0;
        }
        if (beyond && design.parameters < MaxParameters)
            design.Add(hinge);
    }
    return design;
}

// The least-squares residuals and leverages of `design` over the rows; false when its columns do not
// determine the curve.
bool Fit(const Design& design, const RangeRows& rows, Column& residual, Column& leverage) {
    const std::size_t p = design.parameters;
    // [normal matrix | identity], reduced to [identity | inverse].
    std::array<std::array<double, 2 * MaxParameters>, MaxParameters> m{};
    std::array<double, MaxParameters> moment{};
    for (std::size_t i = 0; i < p; ++i) {
        for (std::size_t j = 0; j < p; ++j) {
            for (std::size_t k = 0; k < rows.count; ++k)
                m[i][j] += design.column[i][k] * design.column[j][k];
        }
        for (std::size_t k = 0; k < rows.count; ++k)
            moment[i] += design.column[i][k] * rows.y[k];
        m[i][p + i] = 1;
    }
    double scale = 0;
    for (std::size_t i = 0; i < p; ++i)
        scale = std::max(scale, m[i][i]);
    for (std::size_t i = 0; i < p; ++i) {
        std::size_t pivot = i;
        for (std::size_t r = i + 1; r < p; ++r) {
            if (std::fabs(m[r][i]) > std::fabs(m[pivot][i]))
                pivot = r;
        }
        std::swap(m[i], m[pivot]);
        if (!(std::fabs(m[i][i]) > 1e-10 * scale))
            return false;
        const double divisor = m[i][i];
        for (double& value : m[i])
            value /= divisor;
        for (std::size_t r = 0; r < p; ++r) {
            if (r == i)
                continue;
            const double factor = m[r][i];
            for (std::size_t c = 0; c < 2 * p; ++c)
                m[r][c] -= factor * m[i][c];
        }
    }
    std::array<double, MaxParameters> coefficient{};
    for (std::size_t i = 0; i < p; ++i) {
        for (std::size_t j = 0; j < p; ++j)
            coefficient[i] += m[i][p + j] * moment[j];
    }
    for (std::size_t k = 0; k < rows.count; ++k) {
        double fitted = 0;
        double h = 0;
        for (std::size_t i = 0; i < p; ++i) {
            fitted += coefficient[i] * design.column[i][k];
            for (std::size_t j = 0; j < p; ++j)
                h += design.column[i][k] * m[i][p + j] * design.column[j][k];
        }
        residual[k] = rows.y[k] - fitted;
        leverage[k] = h;
    }
    return true;
}

} // namespace

std::vector<LeftOutRow> LeaveEachOut(const CalibrationPoints& points, ConverterRange range) {
    const RangeRows rows = Recorded(points, range);
    std::array<std::optional<LeftOutRow>, MaxRows> best;
    for (const CurveShape shape : {CurveShape::Segments, CurveShape::Quadratic, CurveShape::Cubic}) {
        const Design design = Shape(shape, rows);
        if (rows.count < design.parameters + 2)
            continue;
        Column residual{};
        Column leverage{};
        if (!Fit(design, rows, residual, leverage))
            continue;
        double sumSquares = 0;
        for (std::size_t k = 0; k < rows.count; ++k)
            sumSquares += residual[k] * residual[k];
        const auto restFreedom = static_cast<double>(rows.count - 1 - design.parameters);
        for (std::size_t k = 0; k < rows.count; ++k) {
            const double kept = 1 - leverage[k];
            if (!(kept > Undetermined))
                continue;
            // Leaving a row out of a least-squares fit moves the curve at its signal by its residual's
            // leverage share: its deviation from the others' curve is residual / (1 − leverage), and
            // the others' sum of squares loses residual² / (1 − leverage).
            const LeftOutRow judged{rows.row[k], shape, residual[k] / kept, 1 / std::sqrt(kept),
                                    std::max(0.0, sumSquares - residual[k] * residual[k] / kept) /
                                        restFreedom};
            if (!best[k] || judged.restSpread < best[k]->restSpread)
                best[k] = judged;
        }
    }
    std::vector<LeftOutRow> judged;
    for (std::size_t k = 0; k < rows.count; ++k) {
        if (best[k])
            judged.push_back(*best[k]);
    }
    return judged;
}

} // namespace slabcal::analysis
