#include "storage/WriteSegmentModel.h"
#include "storage/DevicePaths.h"
#include "storage/ParameterFile.h"
#include "support/FaultyFileSystem.h"
#include "support/FileResultPrinting.h"
#include "support/StoreResultPrinting.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>
#include <sys/stat.h>

namespace slabcal {
namespace {

constexpr std::string_view DefaultFile = "VORKAPELMIX\r\n"
                                         "CurveA0=-0.6423\r\n"
                                         "CurveA1=-0.4605\r\n"
                                         "CurveA2=-0.3915\r\n"
                                         "CurveA3=-0.3625\r\n"
                                         "CurveA4=-0.3625\r\n"
                                         "CurveA5=-0.3625\r\n"
                                         "CurveB0=9.5979\r\n"
                                         "CurveB1=8.0870\r\n"
                                         "CurveB2=7.6199\r\n"
                                         "CurveB3=8.8041\r\n"
                                         "CurveB4=8.8041\r\n"
                                         "CurveB5=0.0000\r\n"
                                         "ConsRange0=4063.0000\r\n"
                                         "ConsRange1=776.0000\r\n"
                                         "ConsRange2=1200.0000\r\n"
                                         "ConsRange3=480.0000\r\n";

// The entry lines of the default file, in their order, without those of the given keys.
std::string DefaultLinesExcept(std::initializer_list<std::string_view> keys) {
    std::string lines;
    for (std::size_t start = DefaultFile.find('\n') + 1; start < DefaultFile.size();) {
        const std::size_t end = DefaultFile.find('\n', start) + 1;
        const std::string_view line = DefaultFile.substr(start, end - start);
        if (std::find(keys.begin(), keys.end(), line.substr(0, line.find('='))) == keys.end())
            lines += line;
        start = end;
    }
    return lines;
}

struct HostStamp {
    ino_t inode;
    timespec modified;
};

HostStamp StampOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return {status.st_ino, status.st_mtim};
}

class SaveSegmentModel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(files.CreateDirectory("\\NandFlash")); }

    [[nodiscard]] StoreResult Save() { return WriteSegmentModel(model, files); }
    void ExpectNoTemporaryFile() {
        std::vector<std::string> names;
        ASSERT_EQ(HostFileSystem().ListFolder(root / "NandFlash", names), 0);
        for (const auto& name : names)
            EXPECT_EQ(name, "ZPQ.ini");
    }

    TemporaryFolder root;
    FaultyFileSystem host;
    DeviceFileSystem files{root.Path(), host};
    SegmentModel model;
    std::string parameterFile = root / "NandFlash/ZPQ.ini";
};

TEST_F(SaveSegmentModel, DefaultModelMakesThe297ByteFile) {
    const StoreResult result = Save();
    EXPECT_EQ(result.outcome, StoreOutcome::Stored) << result.Describe();
    EXPECT_EQ(DefaultFile.size(), 297U);
    EXPECT_EQ(ReadHostFile(parameterFile), DefaultFile);
    EXPECT_EQ(model, SegmentModel{}) << "the model is only read";
}

TEST_F(SaveSegmentModel, UnchangedValuesLeaveTheFileAlone) {
    ASSERT_TRUE(Save());
    const HostStamp before = StampOf(parameterFile);
    host.Reset();

    EXPECT_EQ(Save().outcome, StoreOutcome::Unchanged);
    const HostStamp after = StampOf(parameterFile);
    EXPECT_EQ(after.inode, before.inode);
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec);
    EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec);
    EXPECT_EQ(host.CallCount(FileCall::CreateNew), 0U);
    EXPECT_EQ(host.CallCount(FileCall::Rename), 0U);
}

// A computed model has more decimals than the file keeps: saving it again must not rewrite the file.
TEST_F(SaveSegmentModel, ValuesWithMoreDecimalsThanTheFileKeepsAreStoredOnce) {
    model.CurveA[0] = -0.64231847;
    model.CurveB[2] = 7.619912345;
    ASSERT_EQ(Save().outcome, StoreOutcome::Stored);
    const std::string stored = ReadHostFile(parameterFile);
    ASSERT_EQ(stored, DefaultFile) << "both print as the defaults";
    host.Reset();

    EXPECT_EQ(Save().outcome, StoreOutcome::Unchanged);
    EXPECT_EQ(host.CallCount(FileCall::CreateNew), 0U);
    EXPECT_EQ(ReadHostFile(parameterFile), stored);

    model.CurveA[0] = -0.64236;
    EXPECT_EQ(Save().outcome, StoreOutcome::Stored) << "a change that shows in four decimals is stored";
    EXPECT_EQ(ReadHostFile(parameterFile).substr(13, 17), "CurveA0=-0.6424\r\n");
}

TEST_F(SaveSegmentModel, OtherEntriesKeepTheirPlaceAndMissingKeysAreAppended) {
    WriteHostFile(parameterFile, " VORKAPELMIX\n"
                                 "  Gain = 12 \n"
                                 "[Section]\n"
                                 "CurveA0=1.5\n"
                                 "ConsRange1=776\n"
                                 "\n"
                                 "Gain=second\n"
                                 "CurveB5=0\n");
    model.CurveA[0] = 0.25;
    EXPECT_EQ(Save().outcome, StoreOutcome::Stored);
    EXPECT_EQ(ReadHostFile(parameterFile), "VORKAPELMIX\r\n"
                                           "Gain=12\r\n"
                                           "CurveA0=0.2500\r\n"
                                           "ConsRange1=776\r\n"
                                           "Gain=second\r\n"
                                           "CurveB5=0\r\n" +
                                               DefaultLinesExcept({"CurveA0", "CurveB5", "ConsRange1"}));
}

// The gauge cannot read a file without the signature, so it is replaced whole, but only after its bytes
// were kept beside it under a name that no earlier copy holds.
TEST_F(SaveSegmentModel, FileWithoutTheSignatureIsKeptAsideThenReplacedWhole) {
    const auto now = std::chrono::sys_days{std::chrono::December / 7 / 2026} + std::chrono::hours(9) +
                     std::chrono::minutes(30) + std::chrono::seconds(5);
    const std::string aside = "NandFlash//ZPQ.ini.unreadable-20261207-093005";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"\xEF\xBB\xBFVORKAPELMIX\r\nSerial=12\r\n", aside},
        {"vorkapelmix\r\nSerial=13\r\n", aside + "-2"},
        {"VORKAPELMIX\tSerial=14\r\n", aside + "-3"},
    };
    for (const auto& [old, keptAs] : cases) {
        WriteHostFile(parameterFile, old);
        const StoreResult result = WriteSegmentModel(model, files, now);
        EXPECT_EQ(result.outcome, StoreOutcome::Stored);
        EXPECT_EQ(result.keptAside, keptAs);
        EXPECT_EQ(ReadHostFile(parameterFile), DefaultFile);
        EXPECT_EQ(ReadHostFile(*files.HostPath(keptAs)), old);
    }
    WriteHostFile(parameterFile, DefaultFile.substr(0, 40));
    EXPECT_EQ(WriteSegmentModel(model, files, now).keptAside, "") << "a readable file is not kept aside";
}

TEST_F(SaveSegmentModel, ReadOnlyFileIsReplacedAndLeftWritable) {
    WriteHostFile(parameterFile, "VORKAPELMIX\r\nCurveA0=1\r\n");
    ASSERT_TRUE(files.SetFileAttributes(ParameterFilePath, FileAttributeReadOnly));
    EXPECT_EQ(Save().outcome, StoreOutcome::Stored);
    EXPECT_EQ(ReadHostFile(parameterFile), DefaultFile);
    EXPECT_EQ(files.GetFileAttributes("\\NandFlash\\ZPQ.ini"), FileAttributeNormal);
}

TEST_F(SaveSegmentModel, TheSingleValueIsWhatIsStored) {
    model.CurveA[0] = 1.00005; // 1.0001 in double, 1.0000 in single precision
    model.CurveB[0] = 0.00015; // 0.0001 in double, 0.0002 in single precision
    ASSERT_TRUE(Save());
    const std::string stored = ReadHostFile(parameterFile);
    EXPECT_NE(stored.find("\r\nCurveA0=1.0000\r\n"), std::string::npos);
    EXPECT_NE(stored.find("\r\nCurveB0=0.0002\r\n"), std::string::npos);
}

TEST_F(SaveSegmentModel, NonFiniteValuesAreRefusedBeforeAnyFileCall) {
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 1e39}) {
        SegmentModel broken;
        broken.ConsRange[3] = bad;
        host.Reset();
        EXPECT_EQ(WriteSegmentModel(broken, files).outcome, StoreOutcome::NonFiniteValue) << bad;
        EXPECT_EQ(host.CallCount(), 0U);
    }
    EXPECT_FALSE(HostFileExists(parameterFile));
}

TEST_F(SaveSegmentModel, FailedStoreIsReportedAndKeepsTheOldFile) {
    const std::string old = "VORKAPELMIX\r\nGain=12\r\nCurveA0=1\r\n";
    for (const auto& [plan, step] : std::vector<std::pair<FaultPlan, FileStep>>{
             {FaultPlan::Failing(EACCES).OnlyCalls(FileCall::CreateNew).FromThenOn(), FileStep::Create},
             {FaultPlan::ZeroWrites().OnlyCalls(FileCall::Write), FileStep::Write},
             {FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFile), FileStep::SyncFile},
             {FaultPlan::Failing(EBUSY).OnlyCalls(FileCall::Rename), FileStep::Rename}}) {
        SCOPED_TRACE(FileStepName(step));
        WriteHostFile(parameterFile, old);
        host.Reset();
        host.Inject(plan);
        const StoreResult result = Save();
        EXPECT_EQ(result.outcome, StoreOutcome::WriteFailed);
        EXPECT_EQ(result.file.step, step);
        EXPECT_FALSE(result);
        EXPECT_EQ(ReadHostFile(parameterFile), old);
        ExpectNoTemporaryFile();
    }
}

TEST_F(SaveSegmentModel, FileThatCannotBeReadIsNotReplaced) {
    const std::string old = "VORKAPELMIX\r\nGain=12\r\n";
    WriteHostFile(parameterFile, old);
    host.Inject(FaultPlan::Failing(EIO).OnlyCalls(FileCall::Read));
    const StoreResult result = Save();
    EXPECT_EQ(result.outcome, StoreOutcome::LoadFailed);
    EXPECT_EQ(result.file, FileResult::Failure(FileStep::Read, EIO));
    EXPECT_EQ(ReadHostFile(parameterFile), old);
    EXPECT_EQ(host.CallCount(FileCall::CreateNew), 0U);
}

// "Equal" is as the gauge reads the file: a stored text it reads as another number is replaced, one it
// reads as the same number stays, and a file it reads otherwise than the table is written afresh.
TEST_F(SaveSegmentModel, WhatIsEqualIsJudgedByTheGaugesReading) {
    std::string hex = "VORKAPELMIX\r\n"; // glibc's strtod reads these; the gauge reads each as 0
    for (std::size_t start = DefaultFile.find('\n') + 1; start < DefaultFile.size();) {
        const std::size_t equals = DefaultFile.find('=', start);
        const std::size_t end = DefaultFile.find('\r', equals);
        std::array<char, 32> text{};
        const float value = ParameterFile::ReadValue(DefaultFile.substr(equals + 1, end - equals - 1));
        std::snprintf(text.data(), text.size(), "%a", static_cast<double>(value));
        hex += std::string(DefaultFile.substr(start, equals + 1 - start)) + text.data() + "\r\n";
        start = end + 2;
    }
    // "0x0p+0" is 0 to the gauge too, and stays.
    std::string hexReplaced(DefaultFile);
    hexReplaced.replace(hexReplaced.find("CurveB5=0.0000"), 14, "CurveB5=0x0p+0");
    std::string infinite(DefaultFile);
    infinite.replace(infinite.find("CurveB5=0.0000"), 14, "CurveB5=inf");
    const std::string cutByTheGauge =
        "VORKAPELMIX\r\nCurveA0=" + std::string(60, ' ') + "-0.6423\r\n" + DefaultLinesExcept({"CurveA0"});
    const std::string behindALoneCr =
        "VORKAPELMIX\r\nNote=x\rCurveA0=-0.6423\r\n" + DefaultLinesExcept({"CurveA0"});
    const std::string longFirstLine =
        "VORKAPELMIX" + std::string(243, ' ') + "Serial=4711\r\n" + DefaultLinesExcept({});
    std::string serialKept = "VORKAPELMIX\r\nSerial=4711\r\n" + DefaultLinesExcept({});
    serialKept.replace(serialKept.find("ConsRange0=4063.0000"), 20, "ConsRange0=4000.0000");
    const struct {
        const char* name;
        std::string file;
        double consRange0;
        StoreOutcome outcome;
        std::string after;
    } cases[]{
        {"all sixteen in hexadecimal", hex, 4063, StoreOutcome::Stored, hexReplaced},
        {"0x1000 for 4096", "VORKAPELMIX\r\nConsRange0=0x1000\r\n", 4096, StoreOutcome::Stored,
         "VORKAPELMIX\r\nConsRange0=4096.0000\r\n" + DefaultLinesExcept({"ConsRange0"})},
        {"inf read as 0", infinite, 4063, StoreOutcome::Unchanged, infinite},
        {"a value cut by the gauge", cutByTheGauge, 4063, StoreOutcome::Stored, std::string(DefaultFile)},
        {"a value behind a lone CR", behindALoneCr, 4063, StoreOutcome::Stored,
         "VORKAPELMIX\r\nNote=x\r\nCurveA0=-0.6423\r\n" + DefaultLinesExcept({"CurveA0"})},
        {"an entry beyond byte 254 of the first line", longFirstLine, 4000, StoreOutcome::Stored, serialKept},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(parameterFile, c.file);
        model.ConsRange[0] = c.consRange0;
        const StoreResult result = Save();
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(ReadHostFile(parameterFile), c.after);
        EXPECT_EQ(result.bytes, c.after);
    }
}

// The gauge's reader keeps 49 entries (a line longer than its 254-byte read counting once per read with a
// "="): a save whose values it would not all take is refused and leaves the file as it was.
TEST_F(SaveSegmentModel, ValuesTheGaugeWouldNotReadAreRefusedAndTheFileLeftAlone) {
    const auto others = [](int count) {
        std::string lines;
        for (int i = 0; i < count; ++i)
            lines += "Other" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
        return lines;
    };
    const std::string longLine = "Long=" + std::string(249, 'v') + "Tail=1\r\n"; // two entries to the gauge
    const std::vector<std::string> allSixteen(SegmentModelKeys.begin(), SegmentModelKeys.end());
    const struct {
        const char* name;
        std::string file;
        std::vector<std::string> hidden;
    } cases[]{
        {"33 other entries", "VORKAPELMIX\r\n" + others(33), {}},
        {"34 other entries", "VORKAPELMIX\r\n" + others(34), {"ConsRange3"}},
        {"32 others and a long line", "VORKAPELMIX\r\n" + others(32) + longLine, {"ConsRange3"}},
        {"49 other entries", "VORKAPELMIX\r\n" + others(49), allSixteen},
        {"49 others before the sixteen, unchanged", "VORKAPELMIX\r\n" + others(49) + DefaultLinesExcept({}),
         allSixteen},
        {"the sixteen before 60 others", std::string(DefaultFile) + others(60), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(parameterFile, c.file);
        host.Reset();
        const StoreResult result = Save();
        EXPECT_EQ(result.hiddenKeys, c.hidden);
        if (c.hidden.empty()) {
            EXPECT_TRUE(result) << result.Describe();
            const std::string stored = ReadHostFile(parameterFile);
            EXPECT_TRUE(stored.starts_with(c.file)) << "every entry kept";
            const auto seen = ParameterFile::GaugeEntries(stored);
            for (const auto key : SegmentModelKeys)
                EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [key](auto& entry) {
                    return entry.key == key;
                })) << key;
        } else {
            EXPECT_EQ(result.outcome, StoreOutcome::HiddenFromGauge);
            EXPECT_EQ(ReadHostFile(parameterFile), c.file);
            EXPECT_EQ(host.CallCount(FileCall::CreateNew), 0U);
        }
    }
}

TEST_F(SaveSegmentModel, MissingFlashFolderIsAFailure) {
    TemporaryFolder emptyRoot;
    const StoreResult result = WriteSegmentModel(model, DeviceFileSystem(emptyRoot.Path()));
    EXPECT_EQ(result.outcome, StoreOutcome::WriteFailed);
    EXPECT_EQ(result.file, FileResult::Failure(FileStep::Create, ENOENT));
}

} // namespace
} // namespace slabcal
