#include "calibration/CalibrationDialog.h"
#include "calibration/NumberText.h"
#include "calibration/PointTable.h"
#include "fitting/OrthoPolyFit.h"
#include "resources/ControlIds.h"
#include "resources/Texts.h"
#include "storage/RoundToSingle.h"

#include <cmath>
#include <string>

namespace slabcal {
namespace {

// The questioned limit: a point more than a factor e^0.05 off its segment's line.
constexpr double DeviationLimit = 0.05;

std::string Numbered(int number, std::string_view suffix) {
    return std::string(texts::InvalidRowPrefix) + std::to_string(number) + std::string(suffix);
}

} // namespace

std::optional<int> CalibrationDialog::FirstInvalidRow() const {
    const DialogWindow& window = Window();
    for (int row = 0; row < points::RowCount; ++row) {
        // A logarithm of zero or of a negative number must never reach the fit.
        const std::string signal = window.ListGetItemText(ids::PointList, row, points::SignalColumn);
        if (ReadIntegerPrefix(window.ListGetItemText(ids::PointList, row, points::HeightColumn)) <= 0 ||
            ReadIntegerPrefix(signal) <= 0)
            return row;
        // The save left a boundary signal beyond single precision out of the model; its text still tells.
        auto boundary = points::BoundaryIndexOfRow(row);
        if (boundary && (!std::isfinite(RoundToSingle(ReadDecimalPrefix(signal))) ||
                         !std::isfinite(model.ConsRange[static_cast<std::size_t>(*boundary)])))
            return row;
    }
    return std::nullopt;
}

int CalibrationDialog::ComputeSegmentModel() {
    if (auto row = FirstInvalidRow()) {
        ShowNotice(Numbered(*row + 1, texts::InvalidRowSuffix));
        return 0;
    }
    const DialogWindow& window = Window();
    for (std::size_t segment = 0; segment < points::Segments.size(); ++segment) {
        const auto [first, count] = points::Segments[segment];
        double x[4] = {};
        double y[4] = {};
        double a[2] = {};
        double sum = 0;
        for (int j = 0; j < count; ++j) {
            const int row = first + j;
            y[j] = std::log(static_cast<double>(
                ReadIntegerPrefix(window.ListGetItemText(ids::PointList, row, points::HeightColumn))));
            x[j] = std::log(static_cast<double>(
                ReadIntegerPrefix(window.ListGetItemText(ids::PointList, row, points::SignalColumn))));
            sum = x[j] + sum;
        }
        const double mean = sum / count;
        double sumSquares = 0;
        double sumAbs = 0;
        double maxAbs = 0;
        const int fitted = OrthoPolyFit(x, y, a, count, 2, &sumSquares, &sumAbs, &maxAbs);
        const double slope = a[1];
        const double intercept = a[0] - (a[1] * mean);
        // The fit refuses points that do not determine a line (equal signals); what it returns is checked
        // all the same, since nothing that is not a finite number may reach the model.
        if (fitted == 0 || !std::isfinite(slope) || !std::isfinite(intercept) || !std::isfinite(maxAbs)) {
            ShowNotice(Numbered(static_cast<int>(segment) + 1, texts::FitFailedSuffix));
            return 0;
        }
        if (maxAbs > DeviationLimit &&
            MessageBox(texts::DeviationTooLarge, texts::NoticeCaption, MessageBoxButtons::YesNo) == IdNo)
            return 0;
        model.CurveA[segment] = slope;
        model.CurveB[segment] = intercept;
    }
    return 1;
}

} // namespace slabcal
