#include "platform/AtomicFile.h"
#include "platform/PosixFileSystem.h"
#include "support/FaultyFileSystem.h"
#include "support/FileResultPrinting.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace slabcal {
namespace {

constexpr std::string_view OldBytes = "VORKAPELMIX\r\nold=1\r\n";
constexpr std::string_view NewBytes = "VORKAPELMIX\r\nnew=22\r\nmore=333\r\n";

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    EXPECT_EQ(HostFileSystem().ListFolder(folder, names), 0);
    std::sort(names.begin(), names.end());
    return names;
}

class AtomicReplace : public ::testing::Test {
protected:
    void SetUp() override { WriteHostFile(target, OldBytes); }

    [[nodiscard]] FileResult Replace(std::string_view bytes = NewBytes) {
        return AtomicFile(host, target).Replace(bytes);
    }
    // Only the target may stand in the folder: no temporary file is left behind.
    void ExpectOnlyTarget() { EXPECT_EQ(NamesIn(folder.Path()), std::vector<std::string>{"ZPQ.ini"}); }

    TemporaryFolder folder;
    std::string target = folder / "ZPQ.ini";
    FaultyFileSystem host;
};

TEST_F(AtomicReplace, WritesFlushesRenamesAndFlushesTheFolderInThatOrder) {
    ASSERT_EQ(Replace(), FileResult::Success());
    EXPECT_EQ(ReadHostFile(target), NewBytes);
    ExpectOnlyTarget();

    std::vector<FileCall> order;
    for (const auto& call : host.Calls())
        if (call.call != FileCall::ListFolder)
            order.push_back(call.call);
    const std::vector<FileCall> expected{FileCall::Status, FileCall::CreateNew, FileCall::ChangePermissions,
                                         FileCall::Write,  FileCall::SyncFile,  FileCall::Close,
                                         FileCall::Rename, FileCall::SyncFolder};
    EXPECT_EQ(order, expected);
    const auto calls = host.Calls();
    const auto rename =
        std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.call == FileCall::Rename; });
    EXPECT_EQ(rename->target, target);
    EXPECT_EQ(rename->path.substr(0, folder.Path().size() + 10), folder / ".ZPQ.ini.") << "same folder";
    EXPECT_EQ(calls.back().path, folder.Path());
}

TEST_F(AtomicReplace, NewFileAndReadOnlyTargetEndUpWritable) {
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(Replace(), FileResult::Success());
    EXPECT_EQ(ReadHostFile(target), NewBytes);
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_NE(status.st_mode & 0200U, 0U);

    const std::string fresh = folder / "fresh.ini";
    ASSERT_EQ(AtomicFile(host, fresh).Replace(""), FileResult::Success());
    EXPECT_TRUE(HostFileExists(fresh));
    EXPECT_EQ(ReadHostFile(fresh), "");
}

TEST_F(AtomicReplace, ShortWritesAreContinued) {
    host.Inject(FaultPlan::ShortWrites().FromThenOn());
    ASSERT_EQ(Replace(), FileResult::Success());
    EXPECT_EQ(ReadHostFile(target), NewBytes);
    EXPECT_GT(host.CallCount(FileCall::Write), 2U);
}

struct StepFault {
    const char* name;
    FaultPlan plan;
    FileResult expected;
};

void PrintTo(const StepFault& fault, std::ostream* out) {
    *out << fault.name;
}

class AtomicReplaceFault : public AtomicReplace, public ::testing::WithParamInterface<StepFault> {};

TEST_P(AtomicReplaceFault, LeavesTheTargetAsItWasAndNoTemporaryFile) {
    host.Inject(GetParam().plan);
    EXPECT_EQ(Replace(), GetParam().expected);
    EXPECT_EQ(ReadHostFile(target), OldBytes);
    ExpectOnlyTarget();
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, AtomicReplaceFault,
    ::testing::Values(StepFault{"CreateNoSpace", FaultPlan::Failing(ENOSPC).OnlyCalls(FileCall::CreateNew),
                                FileResult::Failure(FileStep::Create, ENOSPC)},
                      StepFault{"CreateReadOnlyFolder",
                                FaultPlan::Failing(EACCES).OnlyCalls(FileCall::CreateNew).FromThenOn(),
                                FileResult::Failure(FileStep::Create, EACCES)},
                      StepFault{"WriteIoError", FaultPlan::Failing(EIO).OnlyCalls(FileCall::Write),
                                FileResult::Failure(FileStep::Write, EIO)},
                      StepFault{"WriteNoSpace", FaultPlan::Failing(ENOSPC).OnlyCalls(FileCall::Write),
                                FileResult::Failure(FileStep::Write, ENOSPC)},
                      StepFault{"WriteOfNothing", FaultPlan::ZeroWrites().OnlyCalls(FileCall::Write),
                                FileResult::Failure(FileStep::Write, ENOSPC)},
                      StepFault{"SyncFile", FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFile),
                                FileResult::Failure(FileStep::SyncFile, EIO)},
                      StepFault{"Close", FaultPlan::Failing(EIO).OnlyCalls(FileCall::Close),
                                FileResult::Failure(FileStep::Close, EIO)},
                      StepFault{"Rename", FaultPlan::Failing(EXDEV).OnlyCalls(FileCall::Rename),
                                FileResult::Failure(FileStep::Rename, EXDEV)}),
    [](const auto& test) { return std::string(test.param.name); });

// The rename has happened when the folder cannot be flushed; it cannot be taken back, so the new bytes
// stand, but the save is reported as failed because they may not survive a power cut.
TEST_F(AtomicReplace, FailedFolderFlushIsReported) {
    host.Inject(FaultPlan::Failing(EIO).OnlyCalls(FileCall::SyncFolder));
    EXPECT_EQ(Replace(), FileResult::Failure(FileStep::SyncFolder, EIO));
    EXPECT_EQ(ReadHostFile(target), NewBytes);
    ExpectOnlyTarget();
}

TEST_F(AtomicReplace, LeftoversOfAnInterruptedReplaceAreRemoved) {
    WriteHostFile(folder / ".ZPQ.ini.tmp-a1B2c3", "half");
    WriteHostFile(folder / ".ZPQ.ini.tmp-zzzzzz", "");
    WriteHostFile(folder / ".Other.ini.tmp-a1B2c3", "not ours");
    WriteHostFile(folder / "ZPQ.ini.tmp-a1B2c3", "not ours either");
    ASSERT_EQ(Replace(), FileResult::Success());
    EXPECT_EQ(NamesIn(folder.Path()),
              (std::vector<std::string>{".Other.ini.tmp-a1B2c3", "ZPQ.ini", "ZPQ.ini.tmp-a1B2c3"}));
}

// Every call of a replace, spoilt in turn: the target is always the old or the new file, a success always
// means the new one, and a single fault never leaves a temporary file.
TEST_F(AtomicReplace, AnySingleFaultLeavesOldOrNewFile) {
    ASSERT_EQ(Replace(), FileResult::Success());
    const std::size_t calls = host.CallCount();
    for (const int error : {EIO, ENOSPC}) {
        for (std::size_t k = 1; k <= calls + 1; ++k) {
            WriteHostFile(target, OldBytes);
            host.Reset();
            host.Inject(FaultPlan::Failing(error).AtCall(k));
            const FileResult result = Replace();
            const std::string now = ReadHostFile(target);
            EXPECT_TRUE(now == OldBytes || now == NewBytes) << "call " << k;
            if (result) {
                EXPECT_EQ(now, NewBytes) << "call " << k;
            }
            EXPECT_EQ(result.Succeeded(), host.FaultCount() == 0 ||
                                              host.Calls()[k - 1].call == FileCall::ListFolder ||
                                              host.Calls()[k - 1].call == FileCall::Remove)
                << "call " << k << " " << FileCallName(host.Calls()[k - 1].call);
            ExpectOnlyTarget();
        }
    }
}

// With every call from the k-th on failing, cleanup may fail too: at most one temporary file is left, and
// the next good replace removes it.
TEST_F(AtomicReplace, PersistentFaultLeavesAtMostOneLeftoverForTheNextReplace) {
    ASSERT_EQ(Replace(), FileResult::Success());
    const std::size_t calls = host.CallCount();
    for (std::size_t k = 1; k <= calls; ++k) {
        WriteHostFile(target, OldBytes);
        host.Reset();
        host.Inject(FaultPlan::Failing(EIO).AtCall(k).FromThenOn());
        (void)Replace();
        const std::string now = ReadHostFile(target);
        EXPECT_TRUE(now == OldBytes || now == NewBytes) << "from call " << k;
        EXPECT_LE(NamesIn(folder.Path()).size(), 2U) << "from call " << k;

        host.Heal();
        ASSERT_EQ(Replace(), FileResult::Success());
        ExpectOnlyTarget();
    }
}

} // namespace
} // namespace slabcal
