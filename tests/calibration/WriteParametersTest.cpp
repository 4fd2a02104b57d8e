#include "DialogFixture.h"

#include "texts/Texts.h"

#include <algorithm>

namespace slabcal::test {
namespace {

constexpr const char* ParameterFile = "NandFlash/ZPQ.ini";
constexpr const char* BackupFile = "NandFlash/BackUp/ZPQ.ini";

struct WriteParameters : DialogFixture {
    void SetUp() override {
        DialogFixture::SetUp();
        Open();
        SaveAll(ModelSignals); // unanswered questions take their default button, Yes
        // The silent converter's worker ends at its first read and puts "AD 转换器无响应" on the status line
        // whenever the UI thread next serves it, which may be in the middle of a write; ended here, it
        // cannot.
        dialog->Worker().StopSampling();
    }
    [[nodiscard]] std::string Status() const { return window->GetText(ids::StatusLine); }
    [[nodiscard]] bool Exists(const std::string& relative) const { return HostFileExists(folder / relative); }
    // Every name in the NandFlash folders: a leftover temporary file would show here.
    [[nodiscard]] std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const char* sub : {"NandFlash", "NandFlash/BackUp"}) {
            std::vector<std::string> found;
            if (HostFiles().ListFolder(folder / sub, found) == 0)
                names.insert(names.end(), found.begin(), found.end());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static FileSystem& HostFiles() { return HostFileSystem(); }
    // Presses the write button on a fresh status line; the texts of the boxes that press showed.
    std::vector<std::string> Write() {
        const std::size_t before = backend.BoxTexts().size();
        window->SetText(ids::StatusLine, "");
        window->Click(ids::WriteParametersButton);
        const auto texts = backend.BoxTexts();
        return {texts.begin() + static_cast<std::ptrdiff_t>(before), texts.end()};
    }
};

TEST_F(WriteParameters, NoAtTheQuestionChangesNothingButTheSelectionRead) {
    PutHostFile(ParameterFile, "VORKAPELMIX\r\n");
    window->SetText(ids::StatusLine, "before");
    window->Select(ids::HeightBox, 3);
    const SegmentModel before = model;
    backend.QueueAnswer(IdNo);
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(dialog->CurrentRow(), 3);
    EXPECT_EQ(backend.Boxes().size(), 1U);
    EXPECT_EQ(HostFile(ParameterFile), "VORKAPELMIX\r\n");
    EXPECT_FALSE(Exists(BackupFile));
    EXPECT_EQ(Status(), "before");
    EXPECT_EQ(model, before);
}

TEST_F(WriteParameters, YesStoresTheFileAndAnIdenticalBackupAndSaysSo) {
    window->Click(ids::WriteParametersButton);
    const std::vector<MessageBoxRecord> expected{
        {std::string(texts::ConfirmSave), "提示", MessageBoxButtons::YesNo, IdYes}};
    EXPECT_EQ(backend.Boxes(), expected);
    const std::string stored = HostFile(ParameterFile);
    EXPECT_TRUE(stored.starts_with("VORKAPELMIX\r\nCurveA0="));
    EXPECT_NE(stored.find("\r\nConsRange3=500.0000\r\n"), std::string::npos);
    EXPECT_EQ(HostFile(BackupFile), stored);
    EXPECT_EQ(Status(), texts::WriteFinished);
    EXPECT_EQ(Names(), (std::vector<std::string>{"BackUp", "Calibration", "ZPQ.ini", "ZPQ.ini"}));
}

TEST_F(WriteParameters, AFileTheGaugeCannotReadIsKeptAsideAndTheOperatorToldWhere) {
    PutHostFile(ParameterFile, "\xEF\xBB\xBFVORKAPELMIX\r\nSerial=A-17\r\n");
    window->Click(ids::WriteParametersButton);
    const auto texts = backend.BoxTexts();
    ASSERT_EQ(texts.size(), 2U);
    const std::string kept = texts[1].substr(texts::UnrecognisedFileKept.size());
    EXPECT_TRUE(texts[1].starts_with(texts::UnrecognisedFileKept));
    EXPECT_TRUE(kept.starts_with("ZPQ.ini.unreadable-")) << kept;
    EXPECT_EQ(HostFile("NandFlash/" + kept), "\xEF\xBB\xBFVORKAPELMIX\r\nSerial=A-17\r\n");
    EXPECT_EQ(Status(), texts::WriteFinished);
}

TEST_F(WriteParameters, AnExistingBackupIsReplacedWithoutAQuestion) {
    PutHostFile("NandFlash/BackUp/ZPQ.ini", "old backup");
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(HostFile(BackupFile), HostFile(ParameterFile));
    EXPECT_EQ(backend.Boxes().size(), 1U);
}

TEST_F(WriteParameters, AnUnchangedFileIsStillBackedUpAndReported) {
    window->Click(ids::WriteParametersButton);
    PutHostFile(BackupFile, "stale");
    window->SetText(ids::StatusLine, "");
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(HostFile(BackupFile), HostFile(ParameterFile));
    EXPECT_EQ(Status(), texts::WriteFinished);
}

TEST_F(WriteParameters, AFailedCopyIsReportedThenTheStatusLineStillSaysWritten) {
    // The second new file of the save is the backup's temporary file.
    hostFiles.Inject(FaultPlan::Failing(EIO).OnlyCalls(FileCall::CreateNew).AtCall(2));
    PutHostFile(BackupFile, "previous backup");
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(backend.BoxTexts(),
              (std::vector<std::string>{std::string(texts::ConfirmSave), std::string(texts::CopyFailed)}));
    EXPECT_EQ(Status(), texts::WriteFinished);
    EXPECT_EQ(HostFile(BackupFile), "previous backup");
    EXPECT_TRUE(HostFile(ParameterFile).starts_with("VORKAPELMIX"));
}

struct StoreFault {
    const char* name;
    FaultPlan plan;
};

class FailedStore : public WriteParameters, public ::testing::WithParamInterface<StoreFault> {};

TEST_P(FailedStore, IsReportedLeavesTheOldFileAndMakesNoBackup) {
    PutHostFile(ParameterFile, "VORKAPELMIX\r\nKeep=1\r\n");
    hostFiles.Inject(GetParam().plan);
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(backend.BoxTexts(), (std::vector<std::string>{std::string(texts::ConfirmSave),
                                                            std::string(texts::ParameterFileWriteFailed)}));
    EXPECT_EQ(HostFile(ParameterFile), "VORKAPELMIX\r\nKeep=1\r\n");
    EXPECT_FALSE(Exists(BackupFile));
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"ZPQ.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    AtEachStep, FailedStore,
    ::testing::Values(StoreFault{"create", FaultPlan::Failing(EACCES).OnlyCalls(FileCall::CreateNew)},
                      StoreFault{"nospace", FaultPlan::Failing(ENOSPC).OnlyCalls(FileCall::Write)},
                      StoreFault{"zerowrite", FaultPlan::ZeroWrites().FromThenOn()},
                      StoreFault{"fsync", FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFile)},
                      StoreFault{"rename", FaultPlan::Failing(EIO).OnlyCalls(FileCall::Rename)}),
    [](const auto& test) { return std::string(test.param.name); });

// The folder's flush failing after the rename (EIO, as a flash disk behind FUSE gives it): the new file is
// in place, so the operator is told so, not that the write failed, and the save goes on. When every flush
// of a folder fails, the backup copy (made, its flush failed too) and the record (not made: its new
// folder could not be flushed) say so for themselves.
TEST_F(WriteParameters, AFolderFlushFailingAfterTheRenameIsReportedAsWrittenAndTheSaveGoesOn) {
    const std::string failure = "fsync folder: Input/output error";
    const std::string notDurable = std::string(texts::ParameterFileNotDurable) + failure;
    const struct {
        const char* name;
        FaultPlan plan;
        std::vector<std::string> boxes;
        bool recorded;
    } cases[]{
        {"once", FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFolder), {notDurable}, true},
        {"every time",
         FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFolder).FromThenOn(),
         {notDurable, std::string(texts::BackupNotDurable) + failure, std::string(texts::RecordSaveFailed)},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder / "NandFlash");
        PutHostFile(ParameterFile, "VORKAPELMIX\r\nKeep=1\r\n");
        hostFiles.Reset();
        hostFiles.Inject(c.plan);
        std::vector<std::string> expected{std::string(texts::ConfirmSave)};
        expected.insert(expected.end(), c.boxes.begin(), c.boxes.end());
        EXPECT_EQ(Write(), expected);
        EXPECT_TRUE(HostFile(ParameterFile).starts_with("VORKAPELMIX\r\nKeep=1\r\nCurveA0="));
        EXPECT_EQ(HostFile(BackupFile), HostFile(ParameterFile));
        EXPECT_EQ(Status(), texts::WriteFinished);
        std::vector<std::string> records;
        (void)HostFiles().ListFolder(folder / "NandFlash/Calibration", records);
        EXPECT_EQ(records.size(), c.recorded ? 1U : 0U);
    }
}

// Memory running out in the middle of a save: the box says how far it came, and a file that was stored is
// never reported as a failed write.
TEST_F(WriteParameters, ASaveBrokenOffByAnExceptionSaysHowFarItCame) {
    const struct {
        const char* name;
        FaultPlan plan;
        std::string_view box;
        bool stored;
        std::string_view status;
    } cases[]{
        {"storing", FaultPlan::Throwing().OnlyCalls(FileCall::Rename), texts::ParameterFileWriteFailed, false,
         ""},
        {"backing up", FaultPlan::Throwing().OnlyCalls(FileCall::CreateNew).AtCall(2),
         texts::StoredBackupAndRecordMissing, true, ""},
        {"recording", FaultPlan::Throwing().OnlyCalls(FileCall::CreateNew).AtCall(3), texts::RecordSaveFailed,
         true, texts::WriteFinished},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PutHostFile(ParameterFile, "VORKAPELMIX\r\nKeep=1\r\n");
        hostFiles.Reset();
        hostFiles.Inject(c.plan);
        EXPECT_EQ(Write(), (std::vector<std::string>{std::string(texts::ConfirmSave), std::string(c.box)}));
        EXPECT_EQ(HostFile(ParameterFile) != "VORKAPELMIX\r\nKeep=1\r\n", c.stored);
        EXPECT_EQ(Status(), c.status);
    }
}

TEST_F(WriteParameters, InvalidRowsAreRefusedBeforeAnythingIsWritten) {
    SaveRow(6, "");
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(backend.BoxTexts(),
              (std::vector<std::string>{std::string(texts::ConfirmSave), "第7行数据无效"}));
    EXPECT_FALSE(Exists(ParameterFile));
    EXPECT_EQ(Status(), "");
}

TEST_F(WriteParameters, DecliningABadSegmentWritesNothing) {
    SaveRow(1, "5000");
    backend.QueueAnswer(IdYes);
    backend.QueueAnswer(IdNo);
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(backend.BoxTexts(), (std::vector<std::string>{std::string(texts::ConfirmSave),
                                                            std::string(texts::DeviationTooLarge)}));
    EXPECT_FALSE(Exists(ParameterFile));
    EXPECT_FALSE(Exists(BackupFile));
}

} // namespace
} // namespace slabcal::test
