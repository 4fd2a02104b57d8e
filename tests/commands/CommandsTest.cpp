// The subcommands on a scratch device root, next to the dialog's write command: what the dialog stores
// and records, history reads, restore brings back and fit computes alike.
#include "commands/Commands.h"
#include "calibration/DialogFixture.h"
#include "records/RecordStore.h"
#include "records/Sha256.h"
#include "support/FormatOneRecord.h"
#include "texts/Texts.h"

#include <optional>
#include <sstream>

namespace slabcal::test {
namespace {

constexpr const char* ParameterFile = "NandFlash/ZPQ.ini";

// The model signals at the fifteen heights as a points file, with a header.
std::string PointsCsv(const std::vector<std::string>& signals) {
    std::string csv = "height,signal\r\n";
    for (std::size_t row = 0; row < signals.size(); ++row)
        csv += std::string(points::Heights[row]) + "," + signals[row] + "\r\n";
    return csv;
}

struct Commands : DialogFixture {
    std::ostringstream out;
    std::ostringstream err;

    void SetUp() override {
        DialogFixture::SetUp();
        Open();
    }
    // The dialog's write command on the table it holds now.
    void WriteFromDialog(const std::vector<std::string>& signals) {
        SaveAll(signals);
        window->Click(ids::WriteParametersButton);
        ASSERT_EQ(window->GetText(ids::StatusLine), texts::WriteFinished);
    }
    std::vector<ListedRecord> Records() const {
        std::vector<ListedRecord> records;
        EXPECT_TRUE(ListRecords(files, records).Succeeded());
        return records;
    }
    int History() {
        out.str("");
        return RunHistory(files, out, err);
    }
    int Restore(const std::string& record, bool yes = true, std::string answer = "") {
        std::istringstream in(answer);
        return RunRestore({record, yes, !answer.empty()}, files, in, out, err);
    }
    int Fit(const std::string& csv, bool write = false, bool force = false,
            CalibrationConditions conditions = {}) {
        PutHostFile("points.csv", csv);
        return RunFit({folder / "points.csv", write, force, std::move(conditions)}, files, out, err);
    }
};

TEST_F(Commands, AWriteLeavesARecordOfItsPointsValuesAndChecksumThatHistoryCallsCurrent) {
    PutHostFile(ParameterFile, "VORKAPELMIX\r\nSerial=A-17\r\nCurveA0=-0.5\r\n");
    PutHostFile("slabcal.conf", "serial=SG-0117\npermissible_error=1 %\n");
    std::vector<std::string> signals = ModelSignals;
    signals[1] = "5000"; // segment 1 over the limit, written anyway (the default answer)
    WriteFromDialog(signals);

    const auto records = Records();
    ASSERT_EQ(records.size(), 1U);
    const auto& record = std::get<CalibrationRecord>(records[0].record);
    EXPECT_EQ(record.kind, RecordKind::Calibration);
    EXPECT_EQ(record.points, dialog->Worksheet().Points());
    EXPECT_EQ(record.parameterFileSha256, Sha256Hex(HostFile(ParameterFile)));
    EXPECT_TRUE(record.backedUp);
    EXPECT_TRUE(record.segments[0].forced);
    EXPECT_FALSE(record.segments[1].forced);
    EXPECT_GT(record.segments[0].fit.maxAbs, 0.05);
    EXPECT_EQ(record.values[0].before, "-0.5");
    EXPECT_EQ(record.values[1].before, std::nullopt);
    for (const auto& value : record.values)
        EXPECT_NE(HostFile(ParameterFile).find("\r\n" + value.key + "=" + value.after + "\r\n"),
                  std::string::npos)
            << value.key;

    ASSERT_EQ(History(), exit_status::Success) << err.str();
    // Segment 1's lack of fit (13.8 % at its worst) makes U wider than the 1 % the rows are judged by.
    EXPECT_EQ(out.str(), records[0].name + "  " + record.time +
                             "  calibration  worst 13.84 %  forced 1  certificate SG-0117-" +
                             records[0].name.substr(0, 16) + "  decision indeterminate  current\n");
}

// A record a program of format 1 left lists, and restores, as before.
TEST_F(Commands, AFormatOneRecordListsAndRestores) {
    WriteFromDialog(ModelSignals);
    const std::string first = HostFile(ParameterFile);
    const std::string name = Records()[0].name;
    PutHostFile("NandFlash/Calibration/" + name, FormatOneRecord(HostFile("NandFlash/Calibration/" + name)));
    std::filesystem::remove(folder / ParameterFile);
    const auto old = std::get<CalibrationRecord>(Records()[0].record);
    ASSERT_EQ(old.formatVersion, 1);

    ASSERT_EQ(History(), exit_status::Success);
    EXPECT_EQ(out.str(), name + "  " + old.time + "  calibration  worst 0.15 %  forced -  certificate " +
                             name.substr(0, 16) + "  decision -\n");
    ASSERT_EQ(Restore(name), exit_status::Success) << err.str();
    EXPECT_EQ(HostFile(ParameterFile), first);
}

TEST_F(Commands, RestoringThePreviousRecordBringsItsFileBackByteForByteAndIsRecordedItself) {
    PutHostFile(ParameterFile, "VORKAPELMIX\r\nSerial=A-17\r\nConsRange1=776\r\n");
    WriteFromDialog(ModelSignals);
    const std::string first = HostFile(ParameterFile);
    std::vector<std::string> signals = ModelSignals;
    signals[4] = "800";
    signals[12] = "510";
    WriteFromDialog(signals);
    ASSERT_NE(HostFile(ParameterFile), first);
    const auto before = Records();
    ASSERT_EQ(before.size(), 2U);

    ASSERT_EQ(Restore(before[0].name.substr(0, 16)), exit_status::Success) << err.str();
    EXPECT_EQ(HostFile(ParameterFile), first);
    EXPECT_EQ(HostFile("NandFlash/BackUp/ZPQ.ini"), first);
    const auto after = Records();
    ASSERT_EQ(after.size(), 3U);
    const auto& restore = std::get<CalibrationRecord>(after[2].record);
    EXPECT_EQ(restore.kind, RecordKind::Restore);
    EXPECT_EQ(restore.restoredFrom, before[0].name);
    EXPECT_EQ(restore.points, std::get<CalibrationRecord>(before[0].record).points);

    ASSERT_EQ(History(), exit_status::Success);
    std::istringstream lines(out.str());
    std::vector<std::string> current;
    for (std::string line; std::getline(lines, line);)
        current.push_back(line.ends_with("  current") ? "current" : "");
    EXPECT_EQ(current, (std::vector<std::string>{"current", "", "current"})) << out.str();
}

// A save keeps a stored text the gauge reads as the new number ("796 mV" for 796); its record holds that
// text, and restoring the record brings it back.
TEST_F(Commands, RestoreTakesEveryTextTheStoreKept) {
    PutHostFile(ParameterFile, "VORKAPELMIX\r\nConsRange1=796 mV\r\n");
    WriteFromDialog(ModelSignals);
    const std::string first = HostFile(ParameterFile);
    ASSERT_NE(first.find("\r\nConsRange1=796 mV\r\n"), std::string::npos);
    std::vector<std::string> signals = ModelSignals;
    signals[4] = "800";
    WriteFromDialog(signals);

    ASSERT_EQ(Restore(Records()[0].name), exit_status::Success) << err.str();
    EXPECT_EQ(HostFile(ParameterFile), first);
}

// The window's write command and the subcommands' saves meet the same file and the same faults and tell
// the same: each box the window shows after its question is a line of `fit --write`, with its exit status.
TEST_F(Commands, TheWindowAndTheSubcommandsReportAStoreAlike) {
    std::string full = "VORKAPELMIX\r\n";
    for (int i = 0; i < 49; ++i)
        full += "Other" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    const struct {
        const char* name;
        std::string file;
        std::optional<FaultPlan> plan;
        int status;
        bool stored;
        std::string_view says;
    } cases[]{
        {"values behind 49 entries", full, std::nullopt, exit_status::Failed, false, texts::HiddenFromGauge},
        {"the folder's flush failing after the rename", "VORKAPELMIX\r\n",
         FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFolder), exit_status::StoredWithFailures, true,
         texts::ParameterFileNotDurable},
        {"out of memory during the backup", "VORKAPELMIX\r\n",
         FaultPlan::Throwing().OnlyCalls(FileCall::CreateNew).AtCall(2), exit_status::StoredWithFailures,
         true, texts::StoredBackupAndRecordMissing},
    };
    std::vector<std::string> signals = ModelSignals;
    SaveAll(signals);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> said;
        for (const bool fromWindow : {true, false}) {
            std::filesystem::remove_all(folder / "NandFlash");
            PutHostFile(ParameterFile, c.file);
            hostFiles.Reset();
            if (c.plan)
                hostFiles.Inject(*c.plan);
            if (fromWindow) {
                const std::size_t before = backend.BoxTexts().size();
                window->Click(ids::WriteParametersButton);
                const auto boxes = backend.BoxTexts();
                said.assign(boxes.begin() + static_cast<std::ptrdiff_t>(before) + 1, boxes.end());
            } else {
                err.str("");
                EXPECT_EQ(Fit(PointsCsv(signals), true), c.status) << err.str();
                for (const auto& box : said)
                    EXPECT_NE(err.str().find("slabcal: " + box), std::string::npos)
                        << box << " / " << err.str();
            }
            EXPECT_EQ(HostFile(ParameterFile) != c.file, c.stored);
        }
        ASSERT_EQ(said.size(), 1U);
        EXPECT_TRUE(said[0].starts_with(c.says)) << said[0];
    }
}

TEST_F(Commands, ADamagedRecordIsListedAsDamagedRefusedByRestoreAndKept) {
    WriteFromDialog(ModelSignals);
    PutHostFile("NandFlash/Calibration/20000101T000000Z.json", "{\"formatVersion\": 1, \"kind\":");
    const std::string file = HostFile(ParameterFile);

    ASSERT_EQ(History(), exit_status::Success);
    EXPECT_TRUE(out.str().starts_with("20000101T000000Z.json  damaged: not JSON\n")) << out.str();
    EXPECT_EQ(Restore("20000101T000000Z.json"), exit_status::Refused);
    EXPECT_NE(err.str().find("damaged"), std::string::npos);
    EXPECT_EQ(HostFile(ParameterFile), file);
    EXPECT_EQ(Records().size(), 2U);
}

TEST_F(Commands, FitGivesTheDialogsValuesAndWritesTheDialogsFile) {
    std::vector<std::string> signals = ModelSignals;
    signals[2] = "4100";
    WriteFromDialog(signals);
    const std::string dialogFile = HostFile(ParameterFile);
    std::filesystem::remove(folder / ParameterFile);

    ASSERT_EQ(Fit(PointsCsv(signals)), exit_status::Success) << err.str();
    const auto dialogRecords = Records();
    for (const auto& value : std::get<CalibrationRecord>(dialogRecords[0].record).values)
        EXPECT_NE(out.str().find(value.key + "=" + value.after + "\n"), std::string::npos) << value.key;
    EXPECT_FALSE(HostFileExists(folder / ParameterFile)) << "fit without --write wrote";

    // --operator, --temperature and --humidity go into the record; a settings line not used is said.
    PutHostFile("slabcal.conf", "serial=SG-0117\ninterval_days=soon\n");
    const CalibrationConditions conditions{"李四", 20.5, 45.0};
    ASSERT_EQ(Fit(PointsCsv(signals), true, false, conditions), exit_status::Success) << err.str();
    EXPECT_EQ(err.str(), "slabcal: slabcal.conf: line 2: bad value 'soon' for interval_days (not used)\n");
    EXPECT_EQ(HostFile(ParameterFile), dialogFile);
    const auto records = Records();
    ASSERT_EQ(records.size(), 2U);
    EXPECT_EQ(std::get<CalibrationRecord>(records[1].record).conditions, conditions);
    EXPECT_EQ(std::get<CalibrationRecord>(records[1].record).settings.serialNumber, "SG-0117");
    EXPECT_EQ(std::get<CalibrationRecord>(records[1].record).kind, RecordKind::Fit);
    EXPECT_EQ(std::get<CalibrationRecord>(records[1].record).values,
              std::get<CalibrationRecord>(records[0].record).values);
}

// Every refusal: one line on standard error, exit status 2, the parameter file and the records untouched.
TEST_F(Commands, BadInputIsRefusedWithOneLineAndNothingChanged) {
    WriteFromDialog(ModelSignals);
    std::string newer = HostFile("NandFlash/Calibration/" + Records()[0].name);
    newer.replace(newer.find("\"formatVersion\": 2"), 18, "\"formatVersion\": 7");
    PutHostFile("NandFlash/Calibration/29990101T000000Z.json", newer);
    // Texts the gauge would read otherwise than the record means them, as the first value (CurveA0).
    const std::string recorded = HostFile("NandFlash/Calibration/" + Records()[0].name);
    const std::size_t firstNew = recorded.find("\"new\": \"") + 8;
    const std::string unreadable[]{
        "1e39",
        "-" + std::string(66, '0') + ".6423", // the gauge keeps 63 characters: -0
        "1" + std::string(70, '0') + "e-70",  // the gauge keeps 63 characters: 1e62
        std::string(300, '1'),                // a line longer than the gauge reads at once
        "1\\r2",                              // a line end, as JSON holds it
    };
    for (std::size_t index = 0; index < std::size(unreadable); ++index) {
        std::string bad = recorded;
        bad.replace(firstNew, bad.find('"', firstNew) - firstNew, unreadable[index]);
        PutHostFile("NandFlash/Calibration/2999020" + std::to_string(index + 1) + "T000000Z.json", bad);
    }
    const std::string csv = PointsCsv(ModelSignals);
    const auto row3Signal = [&csv](const std::string& signal) {
        return std::string(csv).replace(csv.find(",4140"), 5, "," + signal);
    };
    std::vector<std::string> noisy = ModelSignals;
    noisy[1] = "5000";

    struct Case {
        const char* name;
        std::function<int()> run;
        const char* says;
    };
    const std::vector<Case> cases{
        {"14 rows", [&] { return Fit(csv.substr(0, csv.rfind("800,"))); }, "14 rows"},
        {"non-numeric cell", [&] { return Fit(row3Signal("41x0")); },
         "line 4: row 3's signal '41x0' is not a number"},
        // What a spreadsheet writes; the dialog reads it as 8.
        {"exponent cell", [&] { return Fit(row3Signal("8.565E+03")); },
         "line 4: row 3's signal '8.565E+03' is 8565, but the calibration reads it as 8"},
        {"invalid row",
         [&] {
             return Fit(PointsCsv({"9894", "6990", "0", "1921", "796", "376", "236", "8565", "5180", "2342",
                                   "1265", "765", "500", "413", "346"}));
         },
         "第3行数据无效"},
        {"deviation without --force", [&] { return Fit(PointsCsv(noisy), true); }, "偏差过大"},
        {"missing record", [&] { return Restore("20000101T000000Z"); }, "no record named"},
        {"not a record name", [&] { return Restore("../ZPQ.ini"); }, "no record named"},
        {"newer version", [&] { return Restore("29990101T000000Z"); }, "format version 7"},
        {"a number beyond single precision", [&] { return Restore("29990201T000000Z"); }, "\"1e39\""},
        {"71 characters: -0 to the gauge", [&] { return Restore("29990202T000000Z"); }, "63 characters"},
        {"75 characters: 1e62 to the gauge", [&] { return Restore("29990203T000000Z"); }, "63 characters"},
        {"a line over 254 bytes", [&] { return Restore("29990204T000000Z"); }, "300 bytes"},
        {"a line end", [&] { return Restore("29990205T000000Z"); }, "line end"},
        {"no terminal and no --yes", [&] { return Restore(Records()[0].name, false); }, "--yes"},
    };
    const std::string file = HostFile(ParameterFile);
    const std::size_t recordCount = Records().size();
    for (const auto& c : cases) {
        err.str("");
        EXPECT_EQ(c.run(), exit_status::Refused) << c.name;
        const std::string said = err.str();
        EXPECT_NE(said.find(c.says), std::string::npos) << c.name << ": " << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.name << ": " << said;
        EXPECT_EQ(HostFile(ParameterFile), file) << c.name;
        EXPECT_EQ(Records().size(), recordCount) << c.name;
    }
    EXPECT_EQ(Restore(Records()[0].name, false, "n\n"), exit_status::Failed);
    EXPECT_EQ(HostFile(ParameterFile), file);
}

// However a record was made, history shows it on one line, its texts escaped: no line can be forged and
// nothing in a record reaches the terminal as a control; ordinary text stays as it is.
TEST_F(Commands, HistoryShowsEachRecordOnOneLineWithItsTextsEscaped) {
    WriteFromDialog(ModelSignals);
    CalibrationRecord record = std::get<CalibrationRecord>(Records()[0].record);
    record.kind = RecordKind::Restore;
    struct Case {
        std::string text;
        std::string shown;
    };
    const std::vector<Case> cases{
        {"2025-03-12T08:15:02Z  forced -  current\n20250312T081503Z.json  2025",
         "2025-03-12T08:15:02Z  forced -  current\\n20250312T081503Z.json  2025"},
        {"\x1b[2J\x1b]0;title\x07", "\\x1b[2J\\x1b]0;title\\x07"},
        {"\r\t\x7f C:\\new", "\\r\\t\\x7f C:\\\\new"},
        {"\xc2\x9b"
         "2J \xe2\x80\xae"
         "fed \xe2\x80\xa8",
         "\\u009b2J \\u202efed \\u2028"},
        {"标定 2025-03-12", "标定 2025-03-12"},
    };
    for (std::size_t index = 0; index < cases.size(); ++index) {
        record.time = record.restoredFrom = cases[index].text;
        PutHostFile("NandFlash/Calibration/20000101T00000" + std::to_string(index) + "Z.json",
                    RecordToJson(record));
    }

    ASSERT_EQ(History(), exit_status::Success) << err.str();
    std::istringstream lines(out.str());
    std::vector<std::string> shown;
    for (std::string line; std::getline(lines, line);)
        shown.push_back(line);
    ASSERT_EQ(shown.size(), cases.size() + 1) << out.str();
    for (std::size_t index = 0; index < cases.size(); ++index)
        EXPECT_TRUE(shown[index].starts_with("20000101T00000" + std::to_string(index) + "Z.json  " +
                                             cases[index].shown + "  restore of " + cases[index].shown +
                                             "  worst "))
            << shown[index];
    const std::string text = out.str();
    EXPECT_EQ(std::count_if(text.begin(), text.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\n'; }),
              0);
}

// A file in the record folder's place: the save stands and says so, the record alone is reported.
TEST_F(Commands, ARecordThatCannotBeStoredIsReportedOnItsOwnAfterTheSave) {
    PutHostFile("NandFlash/Calibration", "in the way");
    std::vector<std::string> signals = ModelSignals;
    signals[2] = "4100";
    SaveAll(signals);
    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(window->GetText(ids::StatusLine), texts::WriteFinished);
    EXPECT_EQ(backend.BoxTexts(), (std::vector<std::string>{std::string(texts::ConfirmSave),
                                                            std::string(texts::RecordSaveFailed)}));
    const std::string file = HostFile(ParameterFile);
    EXPECT_TRUE(file.starts_with("VORKAPELMIX\r\n"));

    std::filesystem::remove(folder / ParameterFile);
    EXPECT_EQ(Fit(PointsCsv(signals), true), exit_status::StoredWithFailures);
    EXPECT_EQ(HostFile(ParameterFile), file);
    EXPECT_NE(err.str().find(texts::RecordSaveFailed), std::string::npos) << err.str();
    EXPECT_EQ(HostFile("NandFlash/Calibration"), "in the way");
}

} // namespace
} // namespace slabcal::test
