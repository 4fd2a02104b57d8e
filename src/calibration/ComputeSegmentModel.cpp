#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "fitting/TableFit.h"
#include "resources/ControlIds.h"
#include "texts/Texts.h"

#include <cmath>
#include <string>

namespace slabcal {
namespace {

std::string Numbered(int number, std::string_view suffix) {
    return std::string(texts::InvalidRowPrefix) + std::to_string(number) + std::string(suffix);
}

} // namespace

CalibrationPoints CalibrationDialog::TablePoints() const {
    const DialogWindow& window = Window();
    CalibrationPoints table;
    for (int row = 0; row < points::RowCount; ++row) {
        table[static_cast<std::size_t>(row)] = {
            window.ListGetItemText(ids::PointList, row, points::HeightColumn),
            window.ListGetItemText(ids::PointList, row, points::SignalColumn)};
    }
    return table;
}

std::optional<int> CalibrationDialog::FirstInvalidRow(const CalibrationPoints& table) const {
    std::optional<int> invalid = slabcal::FirstInvalidRow(table);
    // A boundary signal the model holds must be finite too, whatever the row's text says now.
    for (std::size_t index = 0; index < segments::BoundaryRows.size(); ++index) {
        const int row = segments::BoundaryRows[index];
        if (!std::isfinite(model.ConsRange[index]) && (!invalid || row < *invalid))
            invalid = row;
    }
    return invalid;
}

int CalibrationDialog::ComputeSegmentModel() {
    const CalibrationPoints table = TablePoints();
    if (auto row = FirstInvalidRow(table)) {
        ShowNotice(Numbered(*row + 1, texts::InvalidRowSuffix));
        return 0;
    }
    const auto fits = FitTable(table);
    computed = {table, fits, {}};
    for (std::size_t segment = 0; segment < fits.size(); ++segment) {
        const auto& fit = fits[segment];
        // The fit refuses points that do not determine a line (equal signals); nothing that is not a
        // finite number may reach the model.
        if (!fit) {
            ShowNotice(Numbered(static_cast<int>(segment) + 1, texts::FitFailedSuffix));
            return 0;
        }
        if (fit->maxAbs > segments::DeviationLimit) {
            if (MessageBox(texts::DeviationTooLarge, texts::NoticeCaption, MessageBoxButtons::YesNo) == IdNo)
                return 0;
            computed.forced[segment] = true;
        }
        model.CurveA[segment] = fit->slope;
        model.CurveB[segment] = fit->intercept;
    }
    return 1;
}

} // namespace slabcal
