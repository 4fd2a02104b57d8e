#include "DialogFixture.h"

#include "fitting/OrthoPolyFit.h"
#include "texts/Texts.h"

#include <array>
#include <cmath>
#include <ostream>

namespace slabcal::test {
namespace {

struct ComputeSegmentModelTest : DialogFixture {
    void SetUp() override {
        DialogFixture::SetUp();
        Open();
        SaveAll(ModelSignals);
    }
    // Rows 0 to 2 with other signals, the rest from the model.
    void SaveFirstSegment(const std::string& s0, const std::string& s1, const std::string& s2) {
        SaveRow(0, s0);
        SaveRow(1, s1);
        SaveRow(2, s2);
    }
};

TEST_F(ComputeSegmentModelTest, PointsFromTheModelReproduceItWithoutAQuestion) {
    SaveFirstSegment("9895", "6991", "4140");
    ASSERT_EQ(dialog->ComputeSegmentModel(), 1);
    EXPECT_TRUE(backend.Boxes().empty());
    EXPECT_NEAR(model.CurveA[0], -0.642249, 5e-7);
    EXPECT_NEAR(model.CurveB[0], 9.597437, 5e-7);
    const SegmentModel defaults;
    for (std::size_t segment = 1; segment < 5; ++segment) {
        EXPECT_NEAR(model.CurveA[segment], defaults.CurveA[segment], 1e-2) << segment;
        EXPECT_NEAR(model.CurveB[segment], defaults.CurveB[segment], 5e-2) << segment;
    }
}

TEST_F(ComputeSegmentModelTest, SmallDeviationIsStoredWithoutAQuestion) {
    SaveFirstSegment("10000", "7000", "4100");
    ASSERT_EQ(dialog->ComputeSegmentModel(), 1);
    EXPECT_TRUE(backend.Boxes().empty());
    EXPECT_NEAR(model.CurveA[0], -0.627762, 5e-7);
    EXPECT_NEAR(model.CurveB[0], 9.470492, 5e-7);
}

TEST_F(ComputeSegmentModelTest, LargeDeviationIsQuestionedAndYesStoresTheFit) {
    SaveFirstSegment("10000", "5000", "4100");
    backend.QueueAnswer(IdYes);
    ASSERT_EQ(dialog->ComputeSegmentModel(), 1);
    const std::vector<MessageBoxRecord> expected{
        {std::string(texts::DeviationTooLarge), "提示", MessageBoxButtons::YesNo, IdYes}};
    EXPECT_EQ(backend.Boxes(), expected);
    EXPECT_NEAR(model.CurveA[0], -0.547921, 5e-7);
    EXPECT_NEAR(model.CurveB[0], 8.706898, 5e-7);
}

TEST_F(ComputeSegmentModelTest, NoToTheFirstSegmentLeavesAllSixUnchanged) {
    SaveFirstSegment("10000", "5000", "4100");
    const SegmentModel before = model;
    backend.QueueAnswer(IdNo);
    EXPECT_EQ(dialog->ComputeSegmentModel(), 0);
    EXPECT_EQ(model, before);
}

TEST_F(ComputeSegmentModelTest, DecliningSegmentFourKeepsTheFirstThreeNewAndTheLastThreeOld) {
    SaveRow(8, "9000"); // row 8 lies in segment 3 only
    const SegmentModel before = model;
    backend.QueueAnswer(IdNo);
    EXPECT_EQ(dialog->ComputeSegmentModel(), 0);
    ASSERT_EQ(backend.Boxes().size(), 1U);
    for (std::size_t segment = 0; segment < 3; ++segment)
        EXPECT_NE(model.CurveA[segment], before.CurveA[segment]) << segment;
    for (std::size_t segment = 3; segment < 6; ++segment) {
        EXPECT_EQ(model.CurveA[segment], before.CurveA[segment]) << segment;
        EXPECT_EQ(model.CurveB[segment], before.CurveB[segment]) << segment;
    }
}

TEST_F(ComputeSegmentModelTest, FractionalTextsAreReadUpToTheDecimalPoint) {
    SaveFirstSegment("9895.9", "6991.2", "4140.7");
    ASSERT_EQ(dialog->ComputeSegmentModel(), 1);
    EXPECT_NEAR(model.CurveA[0], -0.642249, 5e-7);
}

// The fifteen heights of the point table, in millimetres.
constexpr std::array<double, 15> HeightsMm{40,  50,  70,  100, 150, 200, 240, 250,
                                           300, 400, 500, 600, 700, 750, 800};

// A signal of its own in every row: each segment lies near a power law of its own (slopes about -0.60,
// -0.50, -0.40, -0.355, -0.30 and -0.245), every row 3 % off it in turn, so no three rows lie on one line
// and a segment fitted through a row that is not its own, or without one that is, comes out different.
// No residual comes near the deviation limit.
const std::vector<std::string> DistinctSignals{"10300", "6687", "4053", "1870", "883", "405", "273", "8730",
                                               "5506",  "2279", "1279", "656",  "417", "298", "244"};

struct Line {
    double slope;
    double intercept;
};

// ln(height) = slope * ln(signal) + intercept through rows first .. first + count - 1 of DistinctSignals,
// by the textbook least-squares formulas.
Line LeastSquaresLine(int first, int count) {
    double meanX = 0;
    double meanY = 0;
    for (int row = first; row < first + count; ++row) {
        meanX += std::log(std::stod(DistinctSignals[static_cast<std::size_t>(row)])) / count;
        meanY += std::log(HeightsMm[static_cast<std::size_t>(row)]) / count;
    }
    double sxy = 0;
    double sxx = 0;
    for (int row = first; row < first + count; ++row) {
        const double dx = std::log(std::stod(DistinctSignals[static_cast<std::size_t>(row)])) - meanX;
        sxy += dx * (std::log(HeightsMm[static_cast<std::size_t>(row)]) - meanY);
        sxx += dx * dx;
    }
    const double slope = sxy / sxx;
    return {slope, meanY - (slope * meanX)};
}

struct SegmentRowsCase {
    std::size_t segment;
    int firstRow;
    int rowCount;
    double slopeNear; // what the line through those rows is, roughly

    friend std::ostream& operator<<(std::ostream& out, const SegmentRowsCase& rows) {
        return out << "segment " << rows.segment + 1 << ": rows " << rows.firstRow << " + " << rows.rowCount;
    }
};

class SegmentRows : public ComputeSegmentModelTest, public ::testing::WithParamInterface<SegmentRowsCase> {};

TEST_P(SegmentRows, EachSegmentIsTheLeastSquaresLineThroughItsOwnRows) {
    const auto [segment, first, count, slopeNear] = GetParam();
    SaveAll(DistinctSignals);
    ASSERT_EQ(dialog->ComputeSegmentModel(), 1);
    EXPECT_TRUE(backend.Boxes().empty());
    const Line expected = LeastSquaresLine(first, count);
    EXPECT_NEAR(expected.slope, slopeNear, 0.01);
    EXPECT_NEAR(model.CurveA[segment], expected.slope, 1e-12);
    EXPECT_NEAR(model.CurveB[segment], expected.intercept, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(SixSegments, SegmentRows,
                         ::testing::Values(SegmentRowsCase{0, 0, 3, -0.602}, SegmentRowsCase{1, 2, 3, -0.500},
                                           SegmentRowsCase{2, 4, 3, -0.396}, SegmentRowsCase{3, 7, 4, -0.355},
                                           SegmentRowsCase{4, 10, 3, -0.298},
                                           SegmentRowsCase{5, 12, 3, -0.245}),
                         [](const ::testing::TestParamInfo<SegmentRowsCase>& segmentParam) {
                             return "Segment" + std::to_string(segmentParam.param.segment + 1);
                         });

// The first segment's largest residual right beside the limit of 0.05, rows 0 and 1 set, row 2 at 4140.
// A residual near the limit is the difference of two doubles between 2 and 8 (the fitted and the given
// log height; the heights are 40 mm and more), so it is a multiple of 2^-51 and never 0.05 itself. These
// signals put it on the multiples just below and just above: no table comes closer on either side, and
// whether the comparison is strict cannot show.
struct DeviationCase {
    const char* name;
    std::string row0;
    std::string row1;
    double maxAbs;
    bool questioned;

    friend std::ostream& operator<<(std::ostream& out, const DeviationCase& given) {
        return out << given.row0 << ", " << given.row1 << ", 4140";
    }
};

class DeviationLimit : public ComputeSegmentModelTest, public ::testing::WithParamInterface<DeviationCase> {};

TEST_P(DeviationLimit, OnlyAResidualAboveTheLimitIsQuestioned) {
    const DeviationCase& given = GetParam();
    // The premise, from the fit the dialog uses: the signals still land where this test needs them.
    double x[3] = {std::log(static_cast<double>(std::stoi(given.row0))),
                   std::log(static_cast<double>(std::stoi(given.row1))), std::log(4140.0)};
    double y[3] = {std::log(40.0), std::log(50.0), std::log(70.0)};
    double a[2] = {};
    double sumSquares = 0;
    double sumAbs = 0;
    double maxAbs = 0;
    ASSERT_EQ(OrthoPolyFit(x, y, a, 3, 2, &sumSquares, &sumAbs, &maxAbs), 1);
    ASSERT_EQ(maxAbs, given.maxAbs) << std::hexfloat << maxAbs;

    SaveFirstSegment(given.row0, given.row1, "4140");
    backend.QueueAnswer(IdYes);
    ASSERT_EQ(dialog->ComputeSegmentModel(), 1);
    std::vector<MessageBoxRecord> expected;
    if (given.questioned)
        expected.push_back({std::string(texts::DeviationTooLarge), "提示", MessageBoxButtons::YesNo, IdYes});
    EXPECT_EQ(backend.Boxes(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    BesideTheLimit, DeviationLimit,
    // 0.04999999999999982 and 0.050000000000000266, 2^-51 apart with 0.05 between them.
    ::testing::Values(DeviationCase{"JustBelow", "1067495673", "45124685", 0x1.999999999998p-5, false},
                      DeviationCase{"JustAbove", "1067569012", "45126998", 0x1.99999999999cp-5, true}),
    [](const ::testing::TestParamInfo<DeviationCase>& caseParam) {
        return std::string(caseParam.param.name);
    });

struct InvalidPoint {
    int row;
    std::string signal;
};

class RefusedPoints : public ComputeSegmentModelTest, public ::testing::WithParamInterface<InvalidPoint> {};

TEST_P(RefusedPoints, AnInvalidRowStopsEverythingBeforeTheFirstSegment) {
    SaveRow(GetParam().row, GetParam().signal);
    const SegmentModel before = model;
    EXPECT_EQ(dialog->ComputeSegmentModel(), 0);
    const std::vector<MessageBoxRecord> expected{
        {"第" + std::to_string(GetParam().row + 1) + "行数据无效", "提示", MessageBoxButtons::Ok, IdOk}};
    EXPECT_EQ(backend.Boxes(), expected);
    EXPECT_EQ(model, before);
}

INSTANTIATE_TEST_SUITE_P(EmptyZeroNegativeOrText, RefusedPoints,
                         ::testing::Values(InvalidPoint{0, ""}, InvalidPoint{5, "0"}, InvalidPoint{9, "-12"},
                                           InvalidPoint{14, "abc"}, InvalidPoint{7, "   "},
                                           InvalidPoint{3, "0.9"}));

using UnrecordedRows = DialogFixture;

TEST_F(UnrecordedRows, ARowNeverSavedIsReportedByItsNumber) {
    Open();
    SaveAll(std::vector<std::string>(ModelSignals.begin(), ModelSignals.begin() + 14));
    EXPECT_EQ(dialog->ComputeSegmentModel(), 0);
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{"第15行数据无效"});
}

TEST_F(ComputeSegmentModelTest, AnInfiniteBoundarySignalIsRefusedAsItsRow) {
    SaveRow(10, "1e39"); // reads as 1 for the fit, but as infinity in single precision for the boundary
    EXPECT_EQ(dialog->ComputeSegmentModel(), 0);
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{"第11行数据无效"});
}

TEST_F(ComputeSegmentModelTest, EqualSignalsInASegmentAreAFitFailure) {
    for (int row : {7, 8, 9, 10})
        SaveRow(row, "777");
    EXPECT_EQ(dialog->ComputeSegmentModel(), 0);
    const std::vector<MessageBoxRecord> expected{{"第4段拟合失败", "提示", MessageBoxButtons::Ok, IdOk}};
    EXPECT_EQ(backend.Boxes(), expected);
    const SegmentModel defaults;
    EXPECT_EQ(model.CurveA[3], defaults.CurveA[3]);
    EXPECT_EQ(model.CurveB[3], defaults.CurveB[3]);
}

} // namespace
} // namespace slabcal::test
