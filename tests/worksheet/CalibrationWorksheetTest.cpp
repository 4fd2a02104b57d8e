// The worksheet's contract: the save-point rule, the write's order of questions and reports, and the
// faces it announces its changes to.
#include "worksheet/CalibrationWorksheet.h"

#include "records/RecordStore.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace slabcal {
namespace {

// Every call a face gets, as one line each, with the answer it gives to the question.
struct RecordingFace final : WriteFace {
    std::vector<std::string> calls;
    bool keep = true;

    void InvalidRow(int row) override { calls.push_back("invalid row " + std::to_string(row)); }
    void FitFailed(int segment) override { calls.push_back("fit failed " + std::to_string(segment)); }
    bool KeepOverLimit(int segment, const SegmentFit&) override {
        calls.push_back("over limit " + std::to_string(segment));
        return keep;
    }
    void StoreFailed(const StoreResult&) override { calls.push_back("store failed"); }
    void Warning(std::string_view text) override { calls.push_back("warning " + std::string(text)); }
    void Notice(std::string_view text) override { calls.push_back("notice " + std::string(text)); }
    void Finished(const StoreResult&) override { calls.push_back("finished"); }
    void Recorded(std::string_view) override { calls.push_back("recorded"); }
    void RecordFailed(std::string_view) override { calls.push_back("record failed"); }
    void BrokenOff(SaveStep, std::string_view) override { calls.push_back("broken off"); }
};

struct Worksheet : ::testing::Test {
    TemporaryFolder folder;
    DeviceFileSystem files{folder.Path()};
    SegmentModel model;
    CalibrationWorksheet worksheet{model, files};

    void SetUp() override { std::filesystem::create_directories(folder / "NandFlash"); }
    void SaveAll(const CalibrationPoints& points) {
        for (int row = 0; row < CalibrationRowCount; ++row)
            worksheet.SavePoint(row, points[static_cast<std::size_t>(row)].height,
                                points[static_cast<std::size_t>(row)].signal);
    }
};

TEST_F(Worksheet, SavePointFollowsTheRowRuleCapturesBoundariesAndNotesTheRangeMeasuredOn) {
    struct Case {
        int current; // before the save
        int selected;
        const char* signal;
        int next;
        std::optional<ConverterRange> measuredOn;
        std::array<double, 4> boundaries;
    };
    const SegmentModel defaults;
    for (const Case c : {
             Case{0, 0, "9894", 1, ConverterRange::Small, defaults.ConsRange},
             Case{2, 2, "4140.5", 3, ConverterRange::Small, {4140.5, 776, 1200, 480}},
             Case{0, 10, "1265", 11, ConverterRange::Small, {4063, 776, 1265, 480}}, // picked by hand
             Case{7, 6, "236", 7, ConverterRange::Large, defaults.ConsRange},
             Case{14, 14, "346", 15, ConverterRange::Large, defaults.ConsRange},
             Case{15, -1, "1", 0, std::nullopt, defaults.ConsRange}, // nothing selected: no row written
             Case{4, 4, "1e39", 5, ConverterRange::Small, defaults.ConsRange}, // beyond single precision
         }) {
        model = SegmentModel{};
        CalibrationWorksheet sheet(model, files);
        sheet.CurrentRowCell()->store(c.current);
        sheet.SavePoint(c.selected, "h", c.signal);
        EXPECT_EQ(sheet.CurrentRow(), c.next) << c.selected;
        EXPECT_EQ(model.ConsRange, c.boundaries) << c.selected;
        if (c.selected >= 0) {
            EXPECT_EQ(sheet.Row(c.selected).point, (PointText{"h", c.signal}));
            EXPECT_EQ(sheet.Row(c.selected).measuredOn, c.measuredOn) << c.selected;
        }
        EXPECT_EQ(sheet.State().SavedRowCount(), c.selected >= 0 ? 1 : 0);
    }
}

TEST_F(Worksheet, AWriteAsksAndReportsInTheOperatorsOrderAndNamesTheFirstProblem) {
    struct Case {
        const char* what;
        std::function<void(CalibrationPoints&)> change;
        bool keep;
        std::vector<std::string> calls;
        WriteOutcome outcome;
    };
    for (const Case& c : std::vector<Case>{
             {"clean", [](CalibrationPoints&) {}, true, {"finished", "recorded"}, WriteOutcome::Stored},
             {"row 5 empty",
              [](CalibrationPoints& p) { p[5].signal = ""; },
              true,
              {"invalid row 5"},
              WriteOutcome::Refused},
             {"segment 3 flat",
              [](CalibrationPoints& p) {
                  for (int row = 7; row <= 10; ++row)
                      p[static_cast<std::size_t>(row)].signal = "2000";
              },
              true,
              {"fit failed 3"},
              WriteOutcome::Refused},
             {"over the limit, kept",
              [](CalibrationPoints& p) { p[1].signal = "5000"; },
              true,
              {"over limit 0", "finished", "recorded"},
              WriteOutcome::Stored},
             {"over the limit, declined",
              [](CalibrationPoints& p) { p[1].signal = "5000"; },
              false,
              {"over limit 0"},
              WriteOutcome::Declined},
         }) {
        CalibrationPoints points = test::ModelPoints();
        c.change(points);
        model = SegmentModel{};
        CalibrationWorksheet sheet(model, files);
        for (int row = 0; row < CalibrationRowCount; ++row)
            sheet.SavePoint(row, points[static_cast<std::size_t>(row)].height,
                            points[static_cast<std::size_t>(row)].signal);
        RecordingFace face;
        face.keep = c.keep;
        EXPECT_EQ(sheet.Write(face), c.outcome) << c.what;
        EXPECT_EQ(face.calls, c.calls) << c.what;
    }
    // Only the two writes that stored left a record, each of the table behind it.
    std::vector<ListedRecord> records;
    ASSERT_TRUE(ListRecords(files, records).Succeeded());
    ASSERT_EQ(records.size(), 2U);
    EXPECT_TRUE(std::get<CalibrationRecord>(records[1].record).segments[0].forced);
}

TEST_F(Worksheet, FacesHearOfEveryChangeUntilTheirSubscriptionGoes) {
    std::vector<WorksheetChange> heard;
    {
        const auto subscription =
            worksheet.Subscribe([&heard](const WorksheetEvent& event) { heard.push_back(event.change); });
        worksheet.SavePoint(0, "40", "9894");
        worksheet.SavePoint(-1, "", "1"); // no row of the table: nothing changed
        WorksheetState state = worksheet.State();
        state.currentRow = 7;
        worksheet.Replace(state);
        EXPECT_EQ(worksheet.CurrentRow(), 7);
        SaveAll(test::ModelPoints());
        RecordingFace face;
        worksheet.Write(face);
    }
    worksheet.SavePoint(0, "40", "9894");
    std::vector<WorksheetChange> expected{WorksheetChange::RowSaved, WorksheetChange::TableReplaced};
    expected.insert(expected.end(), CalibrationRowCount, WorksheetChange::RowSaved);
    expected.push_back(WorksheetChange::Written);
    EXPECT_EQ(heard, expected);
}

} // namespace
} // namespace slabcal
