#include "assessment/AssessPoints.h"
#include "support/ModelPoints.h"

#include <gtest/gtest.h>

#include <cmath>

namespace slabcal {
namespace {

// A save's record of the model table: the values the file holds after it, the values it held before (row
// 1's intercept 0.1 higher), a settled spread of 3 counts on row 1 and segment 1's residuals.
CalibrationRecord ModelRecord(const std::string& settings) {
    CalibrationRecord record;
    record.kind = RecordKind::Calibration;
    record.points = test::ModelPoints();
    const std::array<std::string, 16> after{
        "-0.6422", "-0.4605", "-0.3915", "-0.3625", "-0.3625",   "-0.3625",  "9.5974",    "8.0870",
        "7.6199",  "8.8041",  "8.8041",  "8.8041",  "4140.0000", "797.0000", "1266.0000", "500.0000"};
    for (std::size_t index = 0; index < after.size(); ++index)
        record.values.push_back({std::string(SegmentModelKeys[index]),
                                 SegmentModelKeys[index] == "CurveB0" ? "9.6974" : after[index],
                                 after[index]});
    record.segments[0].fit.sumSquares = 3e-6; // a root-mean-square residual of 0.001 over three points
    record.spreads[0] = SignalSpread{10, 3};
    record.settings = ParseCalibrationSettings(settings);
    return record;
}

// The worked example of the README, row 1 (40 mm, signal 9895): every component and U by hand.
TEST(AssessPoints, RowOneIsTheWorkedExample) {
    const auto points =
        AssessPoints(ModelRecord("reference_tolerance=0.02\npermissible_error=0.2 mm + 0.5 %\n"));
    ASSERT_EQ(points.size(), 15U);
    const PointAssessment& row = points[0];
    EXPECT_EQ(row.segment, 0);
    EXPECT_NEAR(row.asLeft, 40.01675, 1e-5);
    EXPECT_NEAR(*row.asFound, 40.01675 * std::exp(0.1), 1e-4);
    EXPECT_NEAR(row.sensitivity, 0.0025971, 1e-7);
    EXPECT_NEAR(*row.uReference, 0.011547, 1e-6);
    EXPECT_NEAR(*row.uRepeatability, 0.0077914, 1e-7);
    EXPECT_NEAR(row.uResolution, 0.00074973, 1e-8);
    EXPECT_NEAR(row.uFit, 0.040017, 1e-6);
    EXPECT_NEAR(row.expanded, 0.084757, 1e-6);
    EXPECT_EQ(row.decision, Decision::Pass);
    // Row 2 was typed by hand: no repeatability.
    EXPECT_FALSE(points[1].uRepeatability);
}

// Guarded acceptance at row 1 (error +0.0168 mm, U 0.0848 mm), and what a record without a permissible
// error, a tolerance or earlier values states.
TEST(AssessPoints, DecidesByTheGuardBandAndStatesWhatItCannot) {
    const struct {
        const char* name;
        const char* height;
        const char* settings;
        Decision decision;
    } cases[] = {
        {"|e| + U within", "40", "permissible_error=0.2 mm", Decision::Pass},
        {"within only without U", "40", "permissible_error=0.05 mm", Decision::Indeterminate},
        {"|e| - U beyond", "39", "permissible_error=0.5 mm", Decision::Fail},
        {"no permissible error", "40", "", Decision::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationRecord record = ModelRecord(c.settings);
        record.points[0].height = c.height;
        const auto points = AssessPoints(record);
        ASSERT_FALSE(points.empty());
        EXPECT_EQ(points[0].decision, c.decision);
        EXPECT_FALSE(points[0].uReference) << "no tolerance set";
    }
    CalibrationRecord first = ModelRecord("");
    first.values[3].before.reset(); // a key the old file did not hold
    EXPECT_FALSE(AssessPoints(first)[0].asFound);
}

} // namespace
} // namespace slabcal
