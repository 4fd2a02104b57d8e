#include "analysis/SavedRowAdvice.h"
#include "calibration/DialogFixture.h"
#include "storage/ReadSegmentModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace slabcal {
namespace {

struct Calibration final : test::DialogFixture {
    void TestBody() override {}
};

struct Outcome {
    std::string parameterFile;
    std::string backup;
    std::string status;
    std::vector<std::string> boxes;
    std::vector<std::string> findings;
    std::vector<std::string> advice; // given at the saves
};

// A whole calibration with row 9 (300 mm) recorded with a signal 30 % high (the height 10 % off) and forced
// past the question, with or without everything the curve window does on every change of the worksheet:
// the analysis of its table, the advice on the row just saved and a read of the stored file.
Outcome Calibrate(bool observed) {
    Calibration run;
    run.SetUp();
    run.Open();
    Outcome outcome;
    CalibrationWorksheet::Subscription watching;
    if (observed)
        watching = run.dialog->Worksheet().Subscribe([&](const WorksheetEvent& event) {
            const CalibrationPoints points = run.dialog->Worksheet().Points();
            outcome.findings.clear();
            for (const auto& finding : analysis::Analyse(points).findings)
                outcome.findings.push_back(finding.text);
            if (event.change == WorksheetChange::RowSaved) {
                if (const auto advice = analysis::SavedRowAdvice(points, {}, event.row))
                    outcome.advice.push_back(advice->text);
            }
            (void)ReadSegmentModel(run.files);
        });
    std::vector<std::string> signals = test::ModelSignals;
    for (int row = 0; row < static_cast<int>(signals.size()); ++row) {
        if (row == 8)
            run.window->Select(ids::HeightBox, row);
        run.window->Type(ids::SignalField, row == 8 ? "6740" : signals[static_cast<std::size_t>(row)]);
        run.window->Click(ids::SavePointButton);
    }
    run.window->Click(ids::WriteParametersButton);
    outcome.parameterFile = run.HostFile("NandFlash/ZPQ.ini");
    outcome.backup = run.HostFile("NandFlash/BackUp/ZPQ.ini");
    outcome.status = run.window->GetText(ids::StatusLine);
    for (const auto& box : run.backend.Boxes())
        outcome.boxes.push_back(box.text);
    run.TearDown();
    return outcome;
}

TEST(CurveWindowObserving, LeavesTheDialogAndItsFilesAsTheyWouldBe) {
    const Outcome closed = Calibrate(false);
    const Outcome open = Calibrate(true);
    EXPECT_EQ(open.parameterFile, closed.parameterFile);
    EXPECT_EQ(open.backup, closed.backup);
    EXPECT_EQ(open.status, closed.status);
    EXPECT_EQ(open.boxes, closed.boxes);
    EXPECT_EQ(closed.boxes.size(), 2U) << "the confirmation and the deviation question";
    EXPECT_FALSE(closed.parameterFile.empty());
    ASSERT_FALSE(open.findings.empty());
    EXPECT_EQ(open.findings[0].rfind("第9行: 偏离 ", 0), 0U) << open.findings[0];
    ASSERT_FALSE(open.advice.empty()) << "the culprit, at the save that completes its segment";
    EXPECT_EQ(open.advice[0].rfind("第9行: 偏离 ", 0), 0U) << open.advice[0];
}

} // namespace
} // namespace slabcal
