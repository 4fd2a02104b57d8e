#include "DialogFixture.h"

#include "resources/Texts.h"

#include <cmath>

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
