#include "app/RunSlabcal.h"

#include "support/ChildCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace slabcal {

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

} // namespace slabcal
