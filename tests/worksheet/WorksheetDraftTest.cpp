// The kept worksheet: offered back after a restart, kept aside when turned down or damaged, never lost.
#include "worksheet/WorksheetDraft.h"

#include "records/RecordStore.h"
#include "support/KeepingFace.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace slabcal {
namespace {

struct Start {
    SegmentModel model;
    CalibrationWorksheet worksheet;
    std::vector<std::string> asked;
    std::vector<std::string> told;

    explicit Start(const DeviceFileSystem& files) : worksheet(model, files) {}
    // Start-up's offer, answering `yes`.
    void Offer(bool yes) {
        OfferWorksheetDraft(
            worksheet,
            [&](const std::string& question) {
                asked.push_back(question);
                return yes;
            },
            [&](const std::string& text) { told.push_back(text); });
    }
};

struct KeptWorksheet : ::testing::Test {
    TemporaryFolder folder;
    DeviceFileSystem files{folder.Path()};
    std::string draft = folder / "NandFlash/slabcal-worksheet.json";

    void SetUp() override { std::filesystem::create_directories(folder / "NandFlash"); }
    // A first run that saves five rows (the boundary rows 2 and 4 among them) and is killed.
    WorksheetState FiveRowsThenKilled() {
        Start first(files);
        const WorksheetDraft kept(first.worksheet);
        const CalibrationPoints points = test::ModelPoints();
        for (int row = 0; row < 5; ++row)
            first.worksheet.SavePoint(row, points[static_cast<std::size_t>(row)].height,
                                      points[static_cast<std::size_t>(row)].signal);
        EXPECT_TRUE(kept.LastResult().Succeeded());
        return first.worksheet.State();
    }
    std::vector<ListedRecord> Records() const {
        std::vector<ListedRecord> records;
        EXPECT_TRUE(ListRecords(files, records).Succeeded());
        return records;
    }
};

TEST_F(KeptWorksheet, YesContinuesWhereTheRunStoppedAndNoKeepsItAsideAsARecord) {
    Start fresh(files);
    fresh.Offer(true);
    EXPECT_TRUE(fresh.asked.empty()) << "nothing kept, nothing asked";

    const WorksheetState killed = FiveRowsThenKilled();
    Start again(files);
    again.Offer(true);
    EXPECT_EQ(again.asked, (std::vector<std::string>{"发现未完成的标定 (5 行), 继续吗？"}));
    EXPECT_EQ(again.worksheet.State(), killed);
    EXPECT_EQ(again.worksheet.CurrentRow(), 5);
    EXPECT_EQ(again.model.ConsRange, killed.boundarySignals);
    EXPECT_TRUE(std::filesystem::exists(draft)) << "kept until written";
    {
        const WorksheetDraft kept(again.worksheet);
        const CalibrationPoints points = test::ModelPoints();
        for (int row = 5; row < CalibrationRowCount; ++row)
            again.worksheet.SavePoint(row, points[static_cast<std::size_t>(row)].height,
                                      points[static_cast<std::size_t>(row)].signal);
        test::KeepingFace face;
        ASSERT_EQ(again.worksheet.Write(face), WriteOutcome::Stored);
        EXPECT_FALSE(std::filesystem::exists(draft)) << "a write that stored clears it";
    }
    const WorksheetState written = FiveRowsThenKilled();

    Start declined(files);
    declined.Offer(false);
    EXPECT_EQ(declined.worksheet.State(), WorksheetState{});
    EXPECT_FALSE(std::filesystem::exists(draft));
    const auto records = Records();
    ASSERT_EQ(records.size(), 2U) << "the write's and the abandoned table's";
    const auto& abandoned = std::get<CalibrationRecord>(records[1].record);
    EXPECT_EQ(abandoned.kind, RecordKind::Abandoned);
    EXPECT_EQ(RecordedRowCount(abandoned), 5);
    EXPECT_EQ(abandoned.points[4], written.rows[4].point);
    EXPECT_EQ(abandoned.currentRow, 5);
    EXPECT_EQ(ReadSaveRecord(files, records[1].name).index(), 1U) << "nothing to restore in it";
}

TEST_F(KeptWorksheet, ADamagedDraftIsKeptAsideAndNeverTrusted) {
    for (const std::string& bytes :
         {std::string("{\"formatVersion\": 1, \"kind\""), std::string(300000, '[')}) {
        WriteHostFile(draft, bytes);
        Start run(files);
        run.Offer(true);
        EXPECT_TRUE(run.asked.empty());
        ASSERT_EQ(run.told.size(), 1U);
        EXPECT_NE(run.told[0].find("已另存为 slabcal-worksheet.json.damaged-"), std::string::npos)
            << run.told[0];
        EXPECT_EQ(run.worksheet.State(), WorksheetState{});
        EXPECT_FALSE(std::filesystem::exists(draft));
    }
    std::size_t kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "NandFlash"))
        kept += entry.path().filename().string().starts_with("slabcal-worksheet.json.damaged-") ? 1 : 0;
    EXPECT_EQ(kept, 2U) << "each whole, under a name of its own";
}

} // namespace
} // namespace slabcal
