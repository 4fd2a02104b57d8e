#include "calibration/CalibrationDialog.h"
#include "calibration/NumberText.h"
#include "calibration/PointTable.h"
#include "fitting/SegmentFit.h"
#include "fitting/SegmentTable.h"
#include "resources/ControlIds.h"
#include "storage/RoundToSingle.h"
#include "texts/Texts.h"

#include <array>
#include <cmath>
#include <span>
#include <string>

namespace slabcal {
namespace {

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
        auto boundary = segments::BoundaryIndexOfRow(row);
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
    for (std::size_t segment = 0; segment < segments::Table.size(); ++segment) {
        const auto [first, count] = segments::Table[segment];
        std::array<double, segments::MaxPoints> heights{};
        std::array<double, segments::MaxPoints> signals{};
        for (int j = 0; j < count; ++j) {
            const int row = first + j;
            const auto at = static_cast<std::size_t>(j);
            heights[at] =
                ReadIntegerPrefix(window.ListGetItemText(ids::PointList, row, points::HeightColumn));
            signals[at] =
                ReadIntegerPrefix(window.ListGetItemText(ids::PointList, row, points::SignalColumn));
        }
        const auto used = static_cast<std::size_t>(count);
        const auto fit = FitSegment(std::span(heights).first(used), std::span(signals).first(used));
        // The fit refuses points that do not determine a line (equal signals); nothing that is not a
        // finite number may reach the model.
        if (!fit) {
            ShowNotice(Numbered(static_cast<int>(segment) + 1, texts::FitFailedSuffix));
            return 0;
        }
        if (fit->maxAbs > segments::DeviationLimit &&
            MessageBox(texts::DeviationTooLarge, texts::NoticeCaption, MessageBoxButtons::YesNo) == IdNo)
            return 0;
        model.CurveA[segment] = fit->slope;
        model.CurveB[segment] = fit->intercept;
    }
    return 1;
}

} // namespace slabcal
