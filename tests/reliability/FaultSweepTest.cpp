// Every I/O call of a save failed in turn, the way SQLite tests its I/O errors: the write command runs on
// the real disk through the fault-injecting file system, which spoils the 1st, 2nd, ... k-th call until a
// run ends before reaching call k. Each k is tried failing once and failing from k on, with EIO, ENOSPC,
// a short write and a write that stores nothing. After each run the parameter file and the backup hold
// their old bytes or the complete new ones, the operator was told exactly what was not stored, no
// temporary file of the run is left unless removing it was itself refused, and a plain save afterwards
// stores both files and clears every leftover. A failed flush of the parameter file's folder comes after
// its rename: the new file is in place, the operator is told that it may not survive a power cut, and the
// save goes on with the backup and the record.
#include "reliability/HeadlessCalibration.h"
#include "reliability/SaveStates.h"
#include "support/FaultyFileSystem.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <iostream>

namespace slabcal {
namespace {

namespace fs = std::filesystem;

struct Fault {
    const char* name;
    FaultPlan plan;
};

const std::array<Fault, 4> Faults{{{"EIO", FaultPlan::Failing(EIO)},
                                   {"ENOSPC", FaultPlan::Failing(ENOSPC)},
                                   {"short write", FaultPlan::ShortWrites()},
                                   {"zero write", FaultPlan::ZeroWrites()}}};

bool TouchesBackup(const RecordedCall& call) {
    return call.path.find("/NandFlash/BackUp") != std::string::npos;
}

// The record of the save comes last; a fault there costs the record only.
bool TouchesRecords(const RecordedCall& call) {
    return call.path.find("/NandFlash/Calibration") != std::string::npos;
}

bool IsSync(FileCall call) {
    return call == FileCall::SyncFile || call == FileCall::SyncFolder;
}

std::vector<std::string> Boxes(std::string_view message) {
    std::vector<std::string> boxes{std::string(texts::ConfirmSave)};
    if (!message.empty())
        boxes.emplace_back(message);
    return boxes;
}

class SaveUnderFaults : public ::testing::Test {
protected:
    void Prepare(const SaveState& state) const {
        fs::remove_all(folder / "NandFlash");
        fs::create_directories(folder / "NandFlash");
        if (state.parameterFile)
            WriteHostFile(parameterFile, *state.parameterFile);
        if (state.backup || state.leftovers)
            fs::create_directories(folder / "NandFlash/BackUp");
        if (state.backup)
            WriteHostFile(backup, *state.backup);
        if (state.leftovers)
            for (const char* sub : {"NandFlash/", "NandFlash/BackUp/"})
                WriteHostFile(folder / sub + std::string(LeftoverName), "VORKAPELMIX\r\nCur");
    }

    [[nodiscard]] static std::optional<std::string> Read(const std::string& path) {
        if (!HostFileExists(path))
            return std::nullopt;
        return ReadHostFile(path);
    }

    // Host paths of every temporary file in the two folders.
    [[nodiscard]] std::vector<std::string> Temporaries() const {
        std::vector<std::string> found;
        for (const char* sub : {"NandFlash", "NandFlash/BackUp", "NandFlash/Calibration"}) {
            std::error_code missing;
            for (const auto& entry : fs::directory_iterator(folder / sub, missing))
                if (IsTemporary(entry.path().filename().string()))
                    found.push_back(entry.path().string());
        }
        return found;
    }

    // A save without faults from `state`: it must store both files. Returns what it stored.
    std::string CleanSave(const SaveState& state) {
        Prepare(state);
        host.Reset();
        const SaveReport report = calibration.Save();
        EXPECT_TRUE(report.Succeeded()) << ::testing::PrintToString(report.boxes) << " " << report.status;
        const std::string stored = ReadHostFile(parameterFile);
        EXPECT_TRUE(stored.starts_with("VORKAPELMIX\r\n"));
        EXPECT_EQ(Read(backup), stored);
        EXPECT_EQ(Temporaries(), std::vector<std::string>{});
        return stored;
    }

    // What one faulted run may leave, given what the operator was told.
    void Check(const SaveState& state, const std::string& stored, const SaveReport& report,
               const std::vector<RecordedCall>& calls, const Fault& fault) const {
        const auto isFaulted = [](auto& call) { return call.faulted; };
        const auto faulted = std::find_if(calls.begin(), calls.end(), isFaulted);
        const auto backupStage = std::find_if(calls.begin(), calls.end(), TouchesBackup);
        const auto recordStage = std::find_if(calls.begin(), calls.end(), TouchesRecords);
        const auto parameterNow = Read(parameterFile);
        const auto backupNow = Read(backup);

        // A record that could not be stored is reported last, on its own, after the status line.
        std::vector<std::string> boxes = report.boxes;
        if (boxes.size() > 1 && boxes.back() == texts::RecordSaveFailed) {
            boxes.pop_back();
            EXPECT_EQ(report.status, texts::WriteFinished);
            EXPECT_NE(std::find_if(recordStage, calls.end(), isFaulted), calls.end())
                << "a record failed without a fault";
        }
        // A folder's flush failing after a rename: the new file is in place and said to be, and the save
        // goes on.
        if (boxes.size() > 1 && boxes[1].starts_with(texts::ParameterFileNotDurable)) {
            EXPECT_EQ(parameterNow, stored);
            ASSERT_NE(faulted, calls.end());
            EXPECT_EQ(faulted->call, FileCall::SyncFolder);
            EXPECT_TRUE(faulted < backupStage) << "reported for a fault of another file";
            boxes.erase(boxes.begin() + 1);
        }
        if (boxes.size() > 1 && boxes[1].starts_with(texts::BackupNotDurable)) {
            EXPECT_EQ(backupNow, stored);
            const auto copyFault = std::find_if(backupStage, calls.end(), isFaulted);
            ASSERT_NE(copyFault, calls.end());
            EXPECT_EQ(copyFault->call, FileCall::SyncFolder);
            boxes.erase(boxes.begin() + 1);
        }
        const bool saved = boxes == Boxes({}) && report.status == texts::WriteFinished;
        if (saved) {
            EXPECT_EQ(parameterNow, stored);
            EXPECT_EQ(backupNow, stored);
        } else if (boxes == Boxes(texts::ParameterFileWriteFailed)) {
            EXPECT_EQ(report.status, "") << "reported as written";
            EXPECT_EQ(backupNow, state.backup);
            EXPECT_EQ(backupStage, calls.end()) << "the backup was touched after a failed store";
            EXPECT_EQ(recordStage, calls.end()) << "a record was made of a failed store";
            EXPECT_EQ(parameterNow, state.parameterFile) << "a stored file reported as not written";
        } else if (boxes == Boxes(texts::CopyFailed)) {
            EXPECT_EQ(report.status, texts::WriteFinished);
            EXPECT_EQ(parameterNow, stored);
            // A fault before the backup's turn was one the store of the parameter file could shrug off.
            const auto copyFault =
                std::find_if(backupStage, calls.end(), [](auto& call) { return call.faulted; });
            ASSERT_NE(copyFault, calls.end()) << "a copy failed without a fault";
            EXPECT_EQ(backupNow, state.backup) << "a copy in place reported as failed";
        } else {
            ADD_FAILURE() << "unexpected boxes " << ::testing::PrintToString(report.boxes);
        }
        if (fault.plan.kind == FaultKind::ShortWrite) {
            EXPECT_TRUE(saved) << "a short write is continued";
        }

        for (auto call = calls.begin(); call != calls.end(); ++call) {
            if (!call->faulted || !IsSync(call->call))
                continue;
            EXPECT_FALSE(report.Succeeded()) << "a failed flush was reported as stored";
            // The backup's and the record's own flushes, after the files', are no retry of theirs.
            const auto stageEnd = call < backupStage   ? backupStage
                                  : call < recordStage ? recordStage
                                                       : calls.end();
            EXPECT_TRUE(std::none_of(call + 1, stageEnd, [](auto& later) { return IsSync(later.call); }))
                << "a flush was tried again after it failed";
        }
        // A temporary file of this run stays only where removing it was refused too.
        for (const auto& left : Temporaries()) {
            if (left.ends_with(LeftoverName))
                continue;
            EXPECT_TRUE(std::any_of(calls.begin(), calls.end(),
                                    [&left](auto& call) {
                                        return call.call == FileCall::Remove && call.faulted &&
                                               call.path == left;
                                    }))
                << left << " left behind";
        }
    }

    // Sweeps every call of a save from `state` with every fault, failing once and from then on.
    void Sweep(const SaveState& state) {
        const std::string stored = CleanSave(state);
        const std::size_t cleanCalls = host.CallCount();
        for (const auto& fault : Faults) {
            for (const bool fromThenOn : {false, true}) {
                for (std::size_t k = 1;; ++k) {
                    SCOPED_TRACE(::testing::Message() << state.name << ", " << fault.name << " at call " << k
                                                      << (fromThenOn ? " and on" : " once"));
                    ASSERT_LE(k, 4 * cleanCalls) << "the runs do not end";
                    Prepare(state);
                    host.Reset();
                    FaultPlan plan = fault.plan.AtCall(k);
                    host.Inject(fromThenOn ? plan.FromThenOn() : plan);
                    const SaveReport report = calibration.Save();
                    const auto calls = host.Calls();
                    ++runs;
                    if (host.FaultCount() > 0)
                        ++faultedRuns;
                    faults += host.FaultCount();
                    Check(state, stored, report, calls, fault);

                    host.Reset();
                    const SaveReport after = calibration.Save();
                    EXPECT_TRUE(after.Succeeded()) << "the next save did not store";
                    EXPECT_EQ(Read(parameterFile), stored);
                    EXPECT_EQ(Read(backup), stored);
                    EXPECT_EQ(Temporaries(), std::vector<std::string>{});
                    if (HasFailure() || calls.size() < k)
                        break;
                }
                if (HasFailure())
                    return;
            }
        }
    }

    TemporaryFolder folder;
    FaultyFileSystem host;
    DeviceFileSystem files{folder.Path(), host};
    HeadlessCalibration calibration{files};
    std::string parameterFile = ParameterFileUnder(folder.Path());
    std::string backup = BackupFileUnder(folder.Path());
    std::size_t runs = 0;
    std::size_t faultedRuns = 0;
    std::size_t faults = 0;
};

TEST_F(SaveUnderFaults, EveryCallOfEverySaveFailedInTurnLosesNothing) {
    Sweep(FirstSave);
    Sweep(Resave);
    // A save whose values are stored already only reads the parameter file, then copies it.
    const SaveState unchanged{"Unchanged", CleanSave(Resave), std::string(OldBackup), true};
    Sweep(unchanged);
    std::cout << "fault sweep: " << runs << " runs, " << faultedRuns << " of them with a fault injected, "
              << faults << " calls spoiled\n";
    RecordProperty("faulted_runs", static_cast<int>(faultedRuns));
}

// The flushes one by one: each failure is reported at once, with the message of the file it was for, and
// is not tried again. Before the parameter file's rename it fails the save; after it (the folder's flush)
// the new file is in place, which is what the operator is told, and the save goes on.
TEST_F(SaveUnderFaults, AFailedFlushIsReportedForItsFileAndNeverRetried) {
    const std::string stored = CleanSave(Resave);
    const auto clean = host.Calls();
    std::size_t flushes = 0;
    for (std::size_t index = 0; index < clean.size(); ++index) {
        if (!IsSync(clean[index].call))
            continue;
        ++flushes;
        SCOPED_TRACE(::testing::Message() << FileCallName(clean[index].call) << " " << clean[index].path);
        Prepare(Resave);
        host.Reset();
        host.Inject(FaultPlan::Failing(EIO).AtCall(index + 1));
        const SaveReport report = calibration.Save();
        const auto calls = host.Calls();
        const auto upTo = clean.begin() + static_cast<std::ptrdiff_t>(index) + 1;
        const bool forBackup =
            std::any_of(clean.begin(), upTo, [](auto& call) { return TouchesBackup(call); });
        const bool forRecord = std::any_of(clean.begin(), upTo, TouchesRecords);
        // The renames before the failed flush: the parameter file's, then the backup's.
        const auto renames =
            std::count_if(clean.begin(), upTo, [](auto& call) { return call.call == FileCall::Rename; });
        const bool renamed = renames > 0;
        const std::string notDurable =
            std::string(forBackup ? texts::BackupNotDurable : texts::ParameterFileNotDurable) +
            "fsync folder: Input/output error";
        EXPECT_EQ(report.boxes, Boxes(forRecord                  ? texts::RecordSaveFailed
                                      : forBackup && renames < 2 ? texts::CopyFailed
                                      : renamed                  ? std::string_view(notDurable)
                                                                 : texts::ParameterFileWriteFailed));
        // No flush after the failed one in its own stage; the later stages flush their own files.
        const auto laterStage = forRecord   ? calls.end()
                                : forBackup ? std::find_if(calls.begin(), calls.end(), TouchesRecords)
                                : renamed   ? std::find_if(calls.begin(), calls.end(), TouchesBackup)
                                            : calls.end();
        EXPECT_EQ(std::count_if(calls.begin(), laterStage, [](auto& call) { return IsSync(call.call); }),
                  std::count_if(clean.begin(), upTo, [](auto& call) { return IsSync(call.call); }));
        EXPECT_EQ(Read(parameterFile), renamed ? stored : std::string(OldParameterFile));
        EXPECT_EQ(report.status, forRecord || forBackup || renamed ? texts::WriteFinished : "");
    }
    EXPECT_GE(flushes, 7U);
}

} // namespace
} // namespace slabcal
