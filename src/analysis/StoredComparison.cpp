#include "analysis/StoredComparison.h"

#include "fitting/NumberText.h"
#include "fitting/RoundToSingle.h"
#include "fitting/TableFit.h"
#include "storage/ParameterFile.h"

#include <cmath>

namespace slabcal::analysis {
namespace {

// What the gauge reads back from the "%.4f" text of the single-precision value.
double AsStored(double value) {
    return ParameterFile::ReadValue(ParameterFile::FormatValue(RoundToSingle(value)));
}

template <std::size_t Size> void StoreAll(std::array<double, Size>& values) {
    for (double& value : values)
        value = AsStored(value);
}

} // namespace

std::size_t SegmentAt(const SegmentModel& model, ConverterRange range, double signal) {
    const bool small = range == ConverterRange::Small;
    const double upper = small ? model.ConsRange[0] : model.ConsRange[2];
    const double lower = small ? model.ConsRange[1] : model.ConsRange[3];
    std::size_t segment = small ? 0 : 3;
    if (signal < upper)
        ++segment;
    if (signal < lower)
        ++segment;
    return segment;
}

std::optional<double> HeightAt(const SegmentModel& model, ConverterRange range, double signal) {
    if (!(signal > 0) || !std::isfinite(signal))
        return std::nullopt;
    const double height = model.Segment(SegmentAt(model, range, signal)).HeightAt(signal);
    return std::isfinite(height) ? std::optional(height) : std::nullopt;
}

std::optional<SegmentModel> ModelToWrite(const CalibrationPoints& points) {
    if (FirstInvalidRow(points))
        return std::nullopt;
    const auto fits = FitTable(points);
    SegmentModel model;
    for (std::size_t segment = 0; segment < fits.size(); ++segment) {
        if (!fits[segment])
            return std::nullopt;
        model.CurveA[segment] = fits[segment]->slope;
        model.CurveB[segment] = fits[segment]->intercept;
    }
    model.ConsRange = BoundarySignals(points);
    StoreAll(model.CurveA);
    StoreAll(model.CurveB);
    StoreAll(model.ConsRange);
    return model;
}

std::vector<HeightComparison> CompareWithStored(const CalibrationPoints& points,
                                                const std::optional<SegmentModel>& stored) {
    const auto written = ModelToWrite(points);
    std::vector<HeightComparison> rows;
    for (int row = 0; row < CalibrationRowCount; ++row) {
        const double signal = ReadIntegerPrefix(points[static_cast<std::size_t>(row)].signal);
        if (signal <= 0)
            continue;
        HeightComparison comparison{row, signal, std::nullopt, std::nullopt, std::nullopt};
        const ConverterRange range = segments::RangeOfRow(row);
        if (stored)
            comparison.storedHeight = HeightAt(*stored, range, signal);
        if (written)
            comparison.newHeight = HeightAt(*written, range, signal);
        if (comparison.storedHeight && comparison.newHeight)
            comparison.differenceMm = *comparison.newHeight - *comparison.storedHeight;
        rows.push_back(comparison);
    }
    return rows;
}

} // namespace slabcal::analysis
