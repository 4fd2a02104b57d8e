// The points file of `slabcal fit` and of the curve window's CSV save: a cell is taken only when it means
// to a reader what it means to the calibration, and a saved table reads back to the very numbers the
// dialog fits.
#include "fitting/PointsFile.h"
#include "fitting/TableFit.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace slabcal {
namespace {

// The model table as a points file, with row 3's signal (a boundary row: 70 mm) replaced by `signal`.
std::string FileWithRow3Signal(const std::string& signal) {
    CalibrationPoints points = test::ModelPoints();
    std::string text = "height,signal\r\n";
    for (std::size_t row = 0; row < points.size(); ++row)
        text += points[row].height + "," + (row == 2 ? signal : points[row].signal) + "\r\n";
    return text;
}

TEST(ParsePointsFile, TakesACellOnlyWhenItsValueIsTheIntegerTheCalibrationReads) {
    const struct {
        std::string signal;
        std::string refusal; // empty: taken as it stands
    } cases[] = {
        {"4140", ""},
        {"+4140", ""},
        {"4140.5", ""}, // 4140 for the fit, 4140.5 as the boundary signal, as in the dialog
        {"", ""},       // the calibration refuses the row, as the dialog refuses an unrecorded one
        {"8.565E+03", "line 4: row 3's signal '8.565E+03' is 8565, but the calibration reads it as 8"},
        {"1e3", "line 4: row 3's signal '1e3' is 1000, but the calibration reads it as 1"},
        {"99999999999", "line 4: row 3's signal '99999999999' is 99999999999, but the calibration reads it "
                        "as 2147483647"},
        {"41x0", "line 4: row 3's signal '41x0' is not a number"},
        {"0x1000", "line 4: row 3's signal '0x1000' is not a number"},
        {std::string(33, '4'), "line 4: row 3's signal is 33 characters long (at most 32)"},
        // A regex's recursion ran out of stack on a cell like this one.
        {std::string(200'000, '4'), "line 4: row 3's signal is 200000 characters long (at most 32)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal.substr(0, 40));
        const auto parsed = ParsePointsFile(FileWithRow3Signal(c.signal));
        if (c.refusal.empty()) {
            ASSERT_TRUE(std::holds_alternative<CalibrationPoints>(parsed)) << std::get<std::string>(parsed);
            EXPECT_EQ(std::get<CalibrationPoints>(parsed)[2].signal, c.signal);
        } else {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
            EXPECT_EQ(std::get<std::string>(parsed), c.refusal);
        }
    }
}

// What the dialog's table may hold (the signal field takes any typing) against what `fit` reads from the
// saved file: the same rows refused, the same six fits, the same boundary signals, or a refusal of the
// save naming the row.
TEST(PointsFileText, ReadsBackToTheNumbersTheDialogFitsOrRefusesNamingTheRow) {
    const struct {
        std::size_t row;
        std::string height;
        std::string signal;
        std::string refusal;
    } cases[] = {
        {2, "70", "1,5", ""},
        {2, "70", "4140abc", ""},
        {2, "70", " 4140.5 mm", ""},
        {4, "150", "797", ""},
        {7, "250mm", "8566", ""},
        {5, "200", "", ""}, // not recorded
        {5, "", "abc", ""},
        {2, "70", "8.565E+03", "row 3's signal '8.565E+03' is 8565, but the calibration reads it as 8"},
        {9, "4e2", "2343", "row 10's height '4e2' is 400, but the calibration reads it as 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height + "," + c.signal);
        CalibrationPoints table = test::ModelPoints();
        table[c.row] = {c.height, c.signal};
        const auto text = PointsFileText(table);
        if (!c.refusal.empty()) {
            ASSERT_TRUE(std::holds_alternative<PointsFileRefusal>(text));
            EXPECT_EQ(std::get<PointsFileRefusal>(text).message,
                      c.refusal + "; a points file cannot hold it");
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<std::string>(text)) << std::get<PointsFileRefusal>(text).message;
        const auto parsed = ParsePointsFile(std::get<std::string>(text));
        ASSERT_TRUE(std::holds_alternative<CalibrationPoints>(parsed)) << std::get<std::string>(parsed);
        const auto& read = std::get<CalibrationPoints>(parsed);
        EXPECT_EQ(FirstInvalidRow(read), FirstInvalidRow(table));
        if (!FirstInvalidRow(table)) {
            EXPECT_EQ(FitTable(read), FitTable(table));
            EXPECT_EQ(BoundarySignals(read), BoundarySignals(table));
        }
    }
}

} // namespace
} // namespace slabcal
