// A process that saves the calibration in a loop is killed with SIGKILL at random moments. After each
// kill the parameter file and the backup on the real disk read as parameter files and are byte for byte
// one of the versions the loop writes (or what stood there at the start), at most one temporary file is
// left (the records' folder included), and the next save stores the file and removes it. The moments are
// random; what must hold after each is not, so the outcome does not depend on them.
#include "reliability/HeadlessCalibration.h"
#include "reliability/SaveStates.h"
#include "storage/ParameterFile.h"
#include "support/ChildCommand.h"
#include "support/PowerCutFileSystem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <set>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace slabcal {
namespace {

namespace fs = std::filesystem;

constexpr int Kills = 200;
// Long enough for several saves (a few milliseconds each with their flushes), short enough that 200
// kills stay well under a minute.
constexpr int LongestWaitMicroseconds = 25000;

// The bytes each variant's save stores over OldParameterFile. A save keeps a stored value text that reads
// as the same number, so a file could depend on the one before it; it does not, which is checked too.
std::vector<std::string> VersionsOfTheLoop() {
    const std::string root = "/device";
    PowerCutFileSystem memory; // only as a disk in memory: the power stays on
    DeviceFileSystem files(root, memory);
    HeadlessCalibration calibration(files);
    const DiskImage start{{root, root + "/NandFlash"},
                          {{ParameterFileUnder(root), std::string(OldParameterFile)}}};

    std::vector<std::string> versions;
    for (int variant = 0; variant < HeadlessCalibration::VariantCount; ++variant) {
        memory.Start(start);
        calibration.UseVariant(variant);
        EXPECT_TRUE(calibration.Save().Succeeded());
        versions.push_back(memory.Visible().File(ParameterFileUnder(root)).value_or(""));
    }
    for (int variant = HeadlessCalibration::VariantCount - 1; variant >= 0; --variant) {
        calibration.UseVariant(variant);
        EXPECT_TRUE(calibration.Save().Succeeded());
        EXPECT_EQ(memory.Visible().File(ParameterFileUnder(root)),
                  versions[static_cast<std::size_t>(variant)])
            << "a version depends on the one saved before it";
    }
    EXPECT_EQ(std::set<std::string>(versions.begin(), versions.end()).size(), versions.size());
    return versions;
}

// Reads as a parameter file that kept the entries the calibration does not set.
bool Parses(const std::string& bytes) {
    const DeviceFileSystem unused(".");
    ParameterFile table(unused);
    table.Parse(bytes);
    const auto& entries = table.Entries();
    return std::any_of(entries.begin(), entries.end(), [](auto& entry) { return entry.key == "Serial"; }) &&
           std::any_of(entries.begin(), entries.end(), [](auto& entry) { return entry.key == "CurveA0"; });
}

class SaveLoopProcess final {
public:
    SaveLoopProcess(const std::string& root, int firstVariant) {
        int ends[2];
        if (::pipe(ends) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
        const std::string variant = std::to_string(firstVariant);
        std::vector<std::string> command = ChildCommand(SLABCAL_SAVE_LOOP, {root, variant});
        const int spawned = ::posix_spawnp(&id, command.front().c_str(), &actions, nullptr,
                                           ArgumentPointers(command).data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        output = ends[0];
        if (spawned != 0) {
            ::close(output);
            throw std::runtime_error("cannot start " SLABCAL_SAVE_LOOP);
        }
    }
    ~SaveLoopProcess() {
        if (!reaped) {
            ::kill(id, SIGKILL);
            (void)Reap();
        }
        ::close(output);
    }
    SaveLoopProcess(const SaveLoopProcess&) = delete;
    SaveLoopProcess& operator=(const SaveLoopProcess&) = delete;

    // True once the loop has written "ready": its dialog stands and the saves begin.
    [[nodiscard]] bool WaitUntilReady() const {
        std::string line;
        char c = 0;
        while (::read(output, &c, 1) == 1 && c != '\n')
            line += c;
        return line == "ready";
    }
    // Nothing while the loop still runs, its wait status once it has ended by itself.
    [[nodiscard]] std::optional<int> EndedByItself() {
        int status = 0;
        if (::waitpid(id, &status, WNOHANG) != id)
            return std::nullopt;
        reaped = true;
        return status;
    }
    [[nodiscard]] int Kill() {
        ::kill(id, SIGKILL);
        return Reap();
    }

private:
    int Reap() {
        int status = 0;
        while (::waitpid(id, &status, 0) < 0 && errno == EINTR) {
        }
        reaped = true;
        return status;
    }

    pid_t id = 0;
    int output = -1;
    bool reaped = false;
};

std::vector<std::string> TemporariesUnder(const std::string& root) {
    std::vector<std::string> found;
    for (const char* sub : {"/NandFlash", "/NandFlash/BackUp", "/NandFlash/Calibration"}) {
        std::error_code missing;
        for (const auto& entry : fs::directory_iterator(root + sub, missing))
            if (IsTemporary(entry.path().filename().string()))
                found.push_back(entry.path().string());
    }
    return found;
}

TEST(SaveUnderKills, EveryKillLeavesWholeFilesAndTheNextSaveClearsUp) {
    const std::vector<std::string> versions = VersionsOfTheLoop();
    ASSERT_FALSE(HasFailure());
    for (const auto& version : versions)
        ASSERT_TRUE(Parses(version));
    auto isVersion = [&versions](const std::string& bytes) {
        return std::find(versions.begin(), versions.end(), bytes) != versions.end();
    };

    TemporaryFolder folder;
    const std::string parameterFile = ParameterFileUnder(folder.Path());
    const std::string backup = BackupFileUnder(folder.Path());
    fs::create_directories(folder / "NandFlash/BackUp");
    WriteHostFile(parameterFile, OldParameterFile);
    WriteHostFile(backup, OldBackup);
    DeviceFileSystem files(folder.Path());

    const unsigned seed = std::random_device{}();
    RecordProperty("seed", static_cast<int>(seed));
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> wait(0, LongestWaitMicroseconds);
    int leftTemporary = 0;
    int backupBehind = 0;

    for (int kill = 0; kill < Kills; ++kill) {
        SCOPED_TRACE(::testing::Message() << "kill " << kill + 1);
        {
            SaveLoopProcess loop(folder.Path(), kill * 5);
            ASSERT_TRUE(loop.WaitUntilReady());
            std::this_thread::sleep_for(std::chrono::microseconds(wait(random)));
            ASSERT_EQ(loop.EndedByItself(), std::nullopt) << "the save loop ended before it was killed";
            const int status = loop.Kill();
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "wait status " << status;
        }

        const std::string parameterNow = ReadHostFile(parameterFile);
        const std::string backupNow = ReadHostFile(backup);
        EXPECT_TRUE(parameterNow == OldParameterFile || (isVersion(parameterNow) && Parses(parameterNow)))
            << parameterNow;
        EXPECT_TRUE(backupNow == OldBackup || (isVersion(backupNow) && Parses(backupNow))) << backupNow;
        const auto temporaries = TemporariesUnder(folder.Path());
        EXPECT_LE(temporaries.size(), 1U);
        leftTemporary += temporaries.empty() ? 0 : 1;
        backupBehind += backupNow != parameterNow ? 1 : 0;

        // The next save, in this process, stores and clears up.
        {
            HeadlessCalibration calibration(files);
            calibration.UseVariant(kill);
            EXPECT_TRUE(calibration.Save().Succeeded());
        }
        const std::string expected =
            versions[static_cast<std::size_t>(kill % HeadlessCalibration::VariantCount)];
        EXPECT_EQ(ReadHostFile(parameterFile), expected);
        EXPECT_EQ(ReadHostFile(backup), expected);
        EXPECT_EQ(TemporariesUnder(folder.Path()), std::vector<std::string>{});
        if (HasFailure())
            return;
    }
    std::cout << "kill test: " << Kills << " kills survived; " << leftTemporary << " left a temporary file, "
              << backupBehind << " found the backup behind the parameter file\n";
}

} // namespace
} // namespace slabcal
