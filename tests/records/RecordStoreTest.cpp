#include "records/RecordStore.h"
#include "records/Sha256.h"
#include "storage/WriteSegmentModel.h"
#include "support/FormatOneRecord.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace slabcal {
namespace {

CalibrationRecord SampleRecord() {
    CalibrationRecord record;
    record.programVersion = "1.0.0";
    record.time = "2024-05-01T10:11:12Z";
    record.kind = RecordKind::Restore;
    record.restoredFrom = "20240430T080000Z.json";
    for (std::size_t row = 0; row < record.points.size(); ++row)
        record.points[row] = {std::to_string(40 + 10 * row), std::to_string(9000 - 500 * row)};
    record.points[3].signal = "\xFF"; // a stray byte typed into a cell
    record.segments[2] = {{-0.64224912345678901, 9.5974, 1e-10, 2e-5, 0.1281}, true};
    record.boundarySignals = {4063, 776.5, 1200, 480};
    for (auto key : SegmentModelKeys)
        record.values.push_back(
            {std::string(key), key == "CurveA0" ? std::nullopt : std::optional<std::string>("1"), "-0.6423"});
    record.parameterFileSha256 = Sha256Hex("VORKAPELMIX\r\n");
    record.settings = ParseCalibrationSettings("serial=SG-0117\nreference_tolerance_small=0.02\n"
                                               "permissible_error=0.5 mm + 1 %\ninterval_days=365\nx=1\n");
    record.conditions = {"张三", 21.5, std::nullopt};
    record.spreads[0] = SignalSpread{10, 2.5};
    PointAssessment point;
    point.row = 14;
    point.referenceHeight = 800;
    point.signal = 346;
    point.asLeft = 801.25;
    point.segment = 5;
    point.uRepeatability = 0.5;
    point.decision = Decision::Indeterminate;
    record.assessment.push_back(point);
    return record;
}

TEST(RecordJson, ARecordReadsBackAsWrittenSaveForBytesThatAreNotUtf8) {
    CalibrationRecord record = SampleRecord();
    const auto read = ParseRecord(RecordToJson(record));
    ASSERT_TRUE(std::holds_alternative<CalibrationRecord>(read)) << std::get<RecordError>(read).detail;
    record.points[3].signal = "\xEF\xBF\xBD"; // U+FFFD
    EXPECT_EQ(std::get<CalibrationRecord>(read), record);
}

TEST(RecordJson, RefusesWhatIsNotARecordOfThisFormat) {
    const std::string good = RecordToJson(SampleRecord());
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    struct Case {
        std::string text;
        RecordProblem problem;
    };
    const std::vector<Case> cases{
        {"", RecordProblem::Damaged},
        {good.substr(0, good.size() / 2), RecordProblem::Damaged},
        {"[]", RecordProblem::Damaged},
        {replaced("\"formatVersion\": 2", "\"formatVersion\": 3"), RecordProblem::NewerVersion},
        {replaced("\"formatVersion\": 2", "\"formatVersion\": 1.5"), RecordProblem::Damaged},
        {replaced("\"decision\": \"indeterminate\"", "\"decision\": \"maybe\""), RecordProblem::Damaged},
        {replaced("\"row\": 15", "\"row\": 16"), RecordProblem::Damaged},
        {replaced("\"conditions\"", "\"conditions_\""), RecordProblem::Damaged},
        {replaced("\"samples\": 10", "\"samples\": 1"), RecordProblem::Damaged},
        {replaced("\"kind\": \"restore\"", "\"kind\": \"guess\""), RecordProblem::Damaged},
        {replaced("\"maxAbs\": 0.0", "\"maxAbs\": 1e999"), RecordProblem::Damaged},
        {replaced("\"key\": \"CurveA1\"", "\"key\": \"CurveA9\""), RecordProblem::Damaged},
        {replaced("\"height\": \"40\"", "\"height\": 40"), RecordProblem::Damaged},
        {replaced("\"backup\": \"failed\"", "\"backup\": true"), RecordProblem::Damaged},
        {replaced("\"parameterFileSha256\": \"", "\"parameterFileSha256\": \"0"), RecordProblem::Damaged},
        {replaced("\"restoredFrom\"", "\"restoredFrom_\""), RecordProblem::Damaged},
    };
    for (const auto& c : cases) {
        const auto read = ParseRecord(c.text);
        ASSERT_TRUE(std::holds_alternative<RecordError>(read)) << c.text;
        EXPECT_EQ(std::get<RecordError>(read).problem, c.problem) << c.text;
    }
}

// A record written before the settings, conditions, spreads and assessment were kept still reads, as what
// it is.
TEST(RecordJson, AFormatOneRecordReadsWithoutWhatLaterFormatsAdded) {
    CalibrationRecord record = SampleRecord();
    record.points[3].signal = "1";
    const std::string text = test::FormatOneRecord(RecordToJson(record));
    const auto read = ParseRecord(text);
    ASSERT_TRUE(std::holds_alternative<CalibrationRecord>(read))
        << std::get<RecordError>(read).detail << text;
    const auto& old = std::get<CalibrationRecord>(read);
    EXPECT_EQ(old.formatVersion, 1);
    EXPECT_EQ(old.points, record.points);
    EXPECT_EQ(old.settings, CalibrationSettings{});
    EXPECT_TRUE(old.assessment.empty());
    EXPECT_FALSE(old.spreads[0]);
}

TEST(Sha256, IsTheStandardDigest) {
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(RecordStore, SavesWithinOneSecondGetTheirOwnNamesAndListOldestFirst) {
    TemporaryFolder folder;
    const DeviceFileSystem files(folder.Path());
    std::filesystem::create_directories(folder / "NandFlash");
    const CalibrationRecord record = SampleRecord();
    std::vector<std::string> written;
    for (int save = 0; save < 11; ++save) {
        const auto result = WriteRecord(files, record);
        ASSERT_TRUE(result.Succeeded()) << result.file.Describe();
        written.push_back(result.name);
    }
    EXPECT_EQ(written[0], "20240501T101112Z.json");
    EXPECT_EQ(written[1], "20240501T101112Z-2.json");
    EXPECT_EQ(written[10], "20240501T101112Z-11.json");
    WriteHostFile(folder / "NandFlash/Calibration/20240101T000000Z.json", "{\"formatVersion\": 1");
    WriteHostFile(folder / "NandFlash/Calibration/notes.txt", "not a record");

    std::vector<ListedRecord> listed;
    ASSERT_TRUE(ListRecords(files, listed).Succeeded());
    ASSERT_EQ(listed.size(), 12U);
    EXPECT_EQ(listed[0].name, "20240101T000000Z.json");
    EXPECT_EQ(std::get<RecordError>(listed[0].record).problem, RecordProblem::Damaged);
    for (std::size_t index = 1; index < listed.size(); ++index) {
        EXPECT_EQ(listed[index].name, written[index - 1]);
        EXPECT_EQ(std::get<CalibrationRecord>(listed[index].record),
                  std::get<CalibrationRecord>(ParseRecord(RecordToJson(record))));
    }
    EXPECT_TRUE(HostFileExists(folder / "NandFlash/Calibration/20240101T000000Z.json")) << "damaged kept";
}

TEST(RecordStore, ReadsOnlyRecordNamesWithOrWithoutTheExtension) {
    TemporaryFolder folder;
    const DeviceFileSystem files(folder.Path());
    std::filesystem::create_directories(folder / "NandFlash");
    ASSERT_TRUE(WriteRecord(files, SampleRecord()).Succeeded());
    EXPECT_TRUE(std::holds_alternative<CalibrationRecord>(ReadRecord(files, "20240501T101112Z")));
    EXPECT_TRUE(std::holds_alternative<CalibrationRecord>(ReadRecord(files, "20240501T101112Z.json")));
    for (const char* name :
         {"20240501T101113Z", "../ZPQ.ini", "..\\..\\etc\\passwd", "", "20240501T101112Z-1"})
        EXPECT_EQ(std::get<RecordError>(ReadRecord(files, name)).problem, RecordProblem::Missing) << name;
}

// Whatever lies in the record folder costs a bounded read: a file past the bound is damaged unread, a
// nest of brackets stops at a depth no record has, a record of many fields is judged without looking each
// up one by one. A record up to the bound reads back; one past it is not stored, so none stored is damaged.
TEST(RecordStore, AHugeDeepOrWideFileIsDamagedAtOnceAndNoRecordIsStoredPastTheBound) {
    TemporaryFolder folder;
    const DeviceFileSystem files(folder.Path());
    std::filesystem::create_directories(folder / "NandFlash/Calibration");
    std::string wide = "{\"formatVersion\": 1";
    for (int field = 0; field < 18000; ++field)
        wide += ", \"k" + std::to_string(100000 + field) + "\": 0";
    wide += "}";
    ASSERT_LE(wide.size(), MaxRecordBytes);
    CalibrationRecord full = SampleRecord();
    full.points[0].height.append(MaxRecordBytes - RecordToJson(full).size(), 'x');
    ASSERT_EQ(RecordToJson(full).size(), MaxRecordBytes);

    struct Case {
        const char* name;
        std::string bytes;
        std::string detail; // empty: reads as a record
    };
    const std::vector<Case> cases{
        {"20000101T000001Z.json", std::string(DeviceFileSystem::MaxFileBytes, '['),
         "larger than 262144 bytes"},
        {"20000101T000002Z.json", std::string(MaxRecordBytes, '['), "nested deeper than 64"},
        {"20000101T000003Z.json", wide, "no \"programVersion\""},
        {"20000101T000004Z.json", RecordToJson(full), ""},
    };
    for (const auto& c : cases)
        WriteHostFile(folder / "NandFlash/Calibration/" + c.name, c.bytes);
    ASSERT_EQ(::mkfifo((folder / "NandFlash/Calibration/20000101T000005Z.json").c_str(), 0644), 0);

    const auto listed = ListedRecords(files);
    ASSERT_EQ(listed.size(), cases.size() + 1);
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const Case& c = cases[index];
        EXPECT_EQ(listed[index].name, c.name);
        if (c.detail.empty()) {
            EXPECT_EQ(std::get<CalibrationRecord>(listed[index].record).points[0].height,
                      full.points[0].height);
            continue;
        }
        const auto* error = std::get_if<RecordError>(&listed[index].record);
        ASSERT_NE(error, nullptr) << c.name;
        EXPECT_EQ(error->problem, RecordProblem::Damaged) << c.name;
        EXPECT_EQ(error->detail, c.detail) << c.name;
    }
    EXPECT_TRUE(std::get<RecordError>(listed.back().record).detail.starts_with("cannot be read")) << "FIFO";

    full.points[0].height += 'x';
    full.time = "2024-05-02T00:00:00Z";
    const auto refused = WriteRecord(files, full);
    EXPECT_EQ(refused.file, FileResult::Failure(FileStep::Write, EFBIG));
    EXPECT_EQ(ListedRecords(files).size(), cases.size() + 1) << "a record past the bound was stored";
}

// A record tells what the parameter file holds: it is read by nobody who may not read that file. Each
// record has a name of its own, so the temporary files an interrupted record save left are cleared by
// the next one, and only those.
TEST(RecordStore, ARecordTakesTheParameterFilesModeAndClearsRecordLeftovers) {
    const mode_t umask = ::umask(022);
    ::umask(umask);
    struct Case {
        std::optional<mode_t> parameterFile;
        mode_t record;
    };
    const std::vector<Case> cases{{0600, 0600}, {0640, 0640}, {0444, 0644}, {std::nullopt, 0666 & ~umask}};
    const std::vector<std::string> removed{".20240101T000000Z.json.tmp-abc123",
                                           ".20240101T000000Z-2.json.tmp-Q9z8y7"};
    const std::vector<std::string> kept{".ZPQ.ini.tmp-abc123", ".notes.txt.tmp-abc123",
                                        "20240101T000000Z.json.tmp-abc123", ".20240101T000000Z.json.tmp-"};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::oct << c.parameterFile.value_or(0));
        TemporaryFolder folder;
        const DeviceFileSystem files(folder.Path());
        std::filesystem::create_directories(folder / "NandFlash/Calibration");
        if (c.parameterFile) {
            WriteHostFile(folder / "NandFlash/ZPQ.ini", "VORKAPELMIX\r\n");
            ASSERT_EQ(::chmod((folder / "NandFlash/ZPQ.ini").c_str(), *c.parameterFile), 0);
        }
        for (const auto& names : {removed, kept})
            for (const auto& name : names)
                WriteHostFile(folder / "NandFlash/Calibration/" + name, "{\"formatVersion\": 1, \"ki");

        const auto written = WriteRecord(files, SampleRecord());
        ASSERT_TRUE(written.Succeeded()) << written.file.Describe();
        struct stat status {};
        ASSERT_EQ(::stat((folder / "NandFlash/Calibration/" + written.name).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, c.record);
        for (const auto& name : removed)
            EXPECT_FALSE(HostFileExists(folder / "NandFlash/Calibration/" + name)) << name;
        for (const auto& name : kept)
            EXPECT_TRUE(HostFileExists(folder / "NandFlash/Calibration/" + name)) << name;
    }
}

} // namespace
} // namespace slabcal
