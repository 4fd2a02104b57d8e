// The power cut after every call of a save. The write command runs over a file system that keeps only what
// was flushed (see PowerCutFileSystem for what survives a cut); after the k-th call the power goes, and every
// disk the cut may have left must hold each of the parameter file and the backup old or new, byte for
// byte. Once the parameter file's folder has been flushed the new file must survive, and once the save has
// said "文件写入完毕" both must. When the power comes back, the next save stores both and leaves no
// temporary file. A kill test cannot find a flush that is missing or comes too late; this does.
#include "reliability/HeadlessCalibration.h"
#include "reliability/SaveStates.h"
#include "support/FaultyFileSystem.h"
#include "support/PowerCutFileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace slabcal {
namespace {

const std::string Root = "/device";

class SaveUnderPowerCuts : public ::testing::Test {
protected:
    [[nodiscard]] DiskImage ImageOf(const SaveState& state) const {
        DiskImage image;
        image.folders = {Root, Root + "/NandFlash"};
        if (state.parameterFile)
            image.files[parameterFile] = *state.parameterFile;
        if (state.backup || state.leftovers)
            image.folders.insert(Root + "/NandFlash/BackUp");
        if (state.backup)
            image.files[backup] = *state.backup;
        if (state.leftovers)
            for (const char* sub : {"/NandFlash/", "/NandFlash/BackUp/"})
                image.files[Root + sub + std::string(LeftoverName)] = "VORKAPELMIX\r\nCur";
        return image;
    }

    [[nodiscard]] static bool HasTemporary(const DiskImage& image) {
        return std::any_of(image.files.begin(), image.files.end(), [](const auto& file) {
            return IsTemporary(file.first.substr(file.first.rfind('/') + 1));
        });
    }

    // Puts the disk back to `image` with the power on, and the recorder back to its start.
    void Restart(const DiskImage& image) {
        disk.Start(image);
        recorder.Reset();
        if (lie)
            recorder.Inject(*lie);
    }

    // A save without a cut from `state`; returns the bytes it stored.
    std::string CleanSave(const SaveState& state) {
        Restart(ImageOf(state));
        EXPECT_TRUE(calibration.Save().Succeeded());
        return disk.Visible().File(parameterFile).value_or("");
    }

    // Cuts the power after every call of a save from `state` and says what any disk it may leave got wrong.
    [[nodiscard]] std::vector<std::string> LossesOfCuts(const SaveState& state) {
        const DiskImage before = ImageOf(state);
        const std::string stored = CleanSave(state);
        const std::size_t saveCalls = disk.CallCount();
        const auto calls = recorder.Calls();
        // The cut from which on the new parameter file must survive: the one after its folder's flush.
        const auto flushed = std::find_if(calls.begin(), calls.end(), [](const RecordedCall& call) {
            return call.call == FileCall::SyncFolder && call.path == Root + "/NandFlash";
        });
        const std::size_t parameterDurable = static_cast<std::size_t>(flushed - calls.begin()) + 1;

        std::vector<std::string> losses;
        for (std::size_t cut = 0; cut <= saveCalls && losses.empty(); ++cut) {
            const std::string where = std::string(state.name) + ", cut after call " + std::to_string(cut) +
                                      " of " + std::to_string(saveCalls);
            auto lost = [&losses, &where](bool fine, std::string_view what) {
                if (!fine)
                    losses.push_back(where + ": " + std::string(what));
            };
            Restart(before);
            disk.CutAfter(cut);
            (void)calibration.Save();
            ++cutPoints;
            for (const DiskImage& image : disk.PossibleDisks()) {
                ++disksChecked;
                const auto parameterNow = image.File(parameterFile);
                const auto backupNow = image.File(backup);
                lost(OldOrNew(parameterNow, state.parameterFile, stored),
                     "parameter file neither old nor new");
                lost(OldOrNew(backupNow, state.backup, stored), "backup neither old nor new");
                lost(cut < parameterDurable || parameterNow == stored, "the stored parameter file was lost");
                lost(cut < saveCalls || backupNow == stored, "the backup reported written was lost");

                Restart(image);
                lost(calibration.Save().Succeeded(), "the next save failed");
                const DiskImage restarted = disk.Visible();
                lost(restarted.File(parameterFile) == stored && restarted.File(backup) == stored,
                     "the next save did not store both files");
                lost(!HasTemporary(restarted), "the next save left a temporary file");
            }
        }
        return losses;
    }

    PowerCutFileSystem disk;
    FaultyFileSystem recorder{disk}; // records the calls, and tells the lie of a test that wants one
    std::optional<FaultPlan> lie;
    DeviceFileSystem files{Root, recorder};
    HeadlessCalibration calibration{files};
    std::string parameterFile = ParameterFileUnder(Root);
    std::string backup = BackupFileUnder(Root);
    std::size_t cutPoints = 0;
    std::size_t disksChecked = 0;
};

using Losses = std::vector<std::string>;

TEST_F(SaveUnderPowerCuts, EveryCutLeavesEachFileOldOrNewAndWhatWasReportedStoredSurvives) {
    EXPECT_EQ(LossesOfCuts(FirstSave), Losses{});
    EXPECT_EQ(LossesOfCuts(Resave), Losses{});
    const SaveState unchanged{"Unchanged", CleanSave(Resave), std::string(OldBackup), true};
    EXPECT_EQ(LossesOfCuts(unchanged), Losses{});
    std::cout << "power cut: " << cutPoints << " cut points, " << disksChecked << " possible disks checked\n";
    RecordProperty("cut_points", static_cast<int>(cutPoints));
}

// The check must see a save that leaves out a flush. A "failure" with error 0 is a call that does nothing
// and reports success: a flush the disk ignores.
TEST_F(SaveUnderPowerCuts, ASkippedFlushOfTheFileOrOfItsFolderIsFound) {
    for (const FileCall flush : {FileCall::SyncFile, FileCall::SyncFolder}) {
        SCOPED_TRACE(FileCallName(flush));
        lie = FaultPlan::Failing(0).OnlyCalls(flush).FromThenOn();
        EXPECT_NE(LossesOfCuts(Resave), Losses{});
        EXPECT_NE(LossesOfCuts(FirstSave), Losses{});
    }
}

} // namespace
} // namespace slabcal
