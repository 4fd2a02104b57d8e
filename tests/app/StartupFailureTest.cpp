// The real program where start-up must fail: every such failure is one line on standard error and exit
// status 2, before the converter is opened or a window shown.
#include "platform/DeviceRootLock.h"
#include "support/ChildCommand.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace slabcal {
namespace {

struct Finished {
    int status = -1;
    bool timedOut = false;
    std::string errors; // standard error
};

// Runs the program with `environment` in place of this process's display settings. It is killed after 20 s,
// so a start-up that hangs or opens a window fails the test instead of stalling it.
Finished RunSlabcal(std::vector<std::string> arguments, std::vector<std::string> environment) {
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view variable = *entry;
        if (!variable.starts_with("DISPLAY=") && !variable.starts_with("WAYLAND_DISPLAY=") &&
            !variable.starts_with("QT_QPA_PLATFORM") && !variable.starts_with("XDG_SESSION_TYPE="))
            environment.emplace_back(variable);
    }
    std::vector<std::string> command = ChildCommand(SLABCAL_BINARY, arguments);
    int pipe[2];
    EXPECT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    pid_t child = 0;
    Finished finished;
    const int spawned =
        ::posix_spawnp(&child, command.front().c_str(), &actions, nullptr, ArgumentPointers(command).data(),
                       ArgumentPointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    EXPECT_EQ(spawned, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (char buffer[4096]; spawned == 0;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable{pipe[0], POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
        const ssize_t got = ready > 0 ? ::read(pipe[0], buffer, sizeof buffer) : -1;
        if (ready == 0 || got == 0 || (got < 0 && errno != EINTR)) {
            finished.timedOut = got != 0; // anything but the end of its output: stop it
            if (finished.timedOut)
                ::kill(child, SIGKILL);
            break;
        }
        finished.errors.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    ::close(pipe[0]);
    while (spawned == 0 && ::waitpid(child, &finished.status, 0) < 0 && errno == EINTR) {
    }
    return finished;
}

TEST(StartupFailures, EndInOneLineNamingTheCauseAndStatusTwo) {
    TemporaryFolder folder;
    const std::string file = folder / "file";
    const std::string busy = folder / "busy";
    WriteHostFile(file, "");
    std::filesystem::create_directory(busy);
    const auto lock = DeviceRootLock::Acquire(busy);
    ASSERT_TRUE(std::holds_alternative<DeviceRootLock>(lock));
    // A root whose holder's id file someone removed is still held: neither the window nor a save gets in.
    const std::string unnamed = folder / "unnamed";
    std::filesystem::create_directory(unnamed);
    const auto unnamedLock = DeviceRootLock::Acquire(unnamed);
    ASSERT_TRUE(std::holds_alternative<DeviceRootLock>(unnamedLock));
    std::filesystem::remove(unnamed + "/.slabcal.lock");
    const std::string points = folder / "points.csv";
    std::string csv;
    for (const auto& [height, signal] : test::ModelPoints())
        csv += height + "," + signal + "\n";
    WriteHostFile(points, csv);

    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        std::vector<std::string> says;
    } cases[] = {
        {{"--headless", "--device", "none", "--root", file}, {}, {file, "Not a directory"}},
        {{"--headless", "--device", "none", "--root", busy},
         {},
         {busy + " is in use by another slabcal (pid " + std::to_string(::getpid()) + ")"}},
        {{"--headless", "--device", "none", "--root", unnamed},
         {},
         {unnamed + " is in use by another slabcal\n"}},
        {{"fit", points, "--write", "--root", unnamed}, {}, {unnamed + " is in use by another slabcal\n"}},
        {{"-platform", "bogus", "--device", "none", "--root", folder / "qt"}, {}, {"Qt platform \"bogus\""}},
        // Last: needs a display number no X server listens on.
        {{"-platform", "xcb", "--device", "none", "--root", folder / "qt"},
         {"DISPLAY=:97"},
         {"Qt platform \"xcb\"", "could not connect to display :97"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.environment.empty() ? c.arguments.front() + " ... " + c.arguments.back()
                                           : c.environment[0]);
        if (!c.environment.empty() && std::filesystem::exists("/tmp/.X11-unix/X97"))
            GTEST_SKIP() << "an X server listens on :97";
        const Finished finished = RunSlabcal(c.arguments, c.environment);
        EXPECT_FALSE(finished.timedOut);
        EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 2) << finished.status;
        EXPECT_TRUE(finished.errors.starts_with("slabcal: ") &&
                    finished.errors.find('\n') == finished.errors.size() - 1)
            << finished.errors;
        for (const auto& part : c.says)
            EXPECT_NE(finished.errors.find(part), std::string::npos) << part << " in " << finished.errors;
    }
}

} // namespace
} // namespace slabcal
