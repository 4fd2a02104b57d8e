#pragma once

// The built program run as a child process, as an operator or a script starts it.
#include "support/ChildCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace slabcal::test {

// The program as a child process, with `environment` in place of this process's display settings and its
// standard error collected; `operated`, its standard input and output are the test's too (an operator's
// script in, what it shows out). Killed and reaped when the object goes, if it has not been reaped.
class SlabcalProcess final {
public:
    SlabcalProcess(const std::vector<std::string>& arguments, std::vector<std::string> environment,
                   bool operated = false) {
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
        int in[2] = {-1, -1};
        int out[2] = {-1, -1};
        if (operated) {
            EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
            EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
            posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
            posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        }
        const int spawned =
            ::posix_spawnp(&child, command.front().c_str(), &actions, nullptr,
                           ArgumentPointers(command).data(), ArgumentPointers(environment).data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        errorOutput = pipe[0];
        if (operated) {
            ::close(in[0]);
            ::close(out[1]);
            input = in[1];
            output = out[0];
        }
        EXPECT_EQ(spawned, 0);
        if (spawned != 0)
            child = 0;
    }
    ~SlabcalProcess() {
        Reap();
        ::close(errorOutput);
        ::close(input);
        ::close(output);
    }
    SlabcalProcess(const SlabcalProcess&) = delete;
    SlabcalProcess& operator=(const SlabcalProcess&) = delete;

    // Collects standard error until the program's main thread has ended, or `patience` has passed: true
    // when it ended. A thread of it stuck in a driver call keeps the process a zombie, and its standard
    // error open, until that call returns.
    bool WaitUntilEnded(std::chrono::milliseconds patience) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (child != 0 && !MainThreadEnded()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            // Output wakes the wait at once; the end of the main thread is looked for every 10 ms.
            pollfd readable{errorOutput, POLLIN, 0};
            if (::poll(&readable, 1, static_cast<int>(std::min<long long>(left.count(), 10))) > 0)
                ReadErrors();
        }
        ReadErrors();
        return true;
    }
    // Waits for the whole process, killing it first when its main thread has not ended; its wait status.
    int Reap() {
        if (child != 0) {
            if (!MainThreadEnded())
                ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            child = 0;
            ReadErrors();
        }
        return status;
    }
    [[nodiscard]] const std::string& Errors() const { return errors; }

    // Operated: writes to the program's standard input; ends it.
    void Type(std::string_view text) const {
        EXPECT_EQ(::write(input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void EndInput() {
        ::close(input);
        input = -1;
    }
    // Operated: reads standard output until it holds `text` (true) or `patience` has passed.
    bool WaitForOutput(std::string_view text, std::chrono::milliseconds patience) {
        return ReadOutputUntil([&] { return shown.find(text) != std::string::npos; }, patience);
    }
    [[nodiscard]] const std::string& Output() const { return shown; }
    // Operated: reads standard output until the program closes it (true) or `patience` has passed.
    bool WaitForEndOfOutput(std::chrono::milliseconds patience) {
        return ReadOutputUntil([this] { return outputEnded; }, patience);
    }

private:
    // Reads standard output until `done()`; false when `patience` passes or the output ends without it.
    template <class Done> bool ReadOutputUntil(Done done, std::chrono::milliseconds patience) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (!done()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd readable{output, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buffer[4096];
            const ssize_t got = ::read(output, buffer, sizeof buffer);
            if (got <= 0) {
                outputEnded = got == 0;
                return done();
            }
            shown.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }

    [[nodiscard]] bool MainThreadEnded() {
        if (exited)
            return true;
        if (::waitpid(child, &status, WNOHANG) == child) {
            exited = true;
            child = 0;
            return true;
        }
        std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto name = line.rfind(')');
        return name != std::string::npos && line.size() > name + 2 && line[name + 2] == 'Z';
    }
    // What is there now, without waiting for more.
    void ReadErrors() {
        char buffer[4096];
        pollfd readable{errorOutput, POLLIN, 0};
        while (::poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN) != 0) {
            const ssize_t got = ::read(errorOutput, buffer, sizeof buffer);
            if (got <= 0)
                break;
            errors.append(buffer, static_cast<std::size_t>(got));
        }
    }

    pid_t child = 0;
    int errorOutput = -1;
    int input = -1;
    int output = -1;
    std::string shown; // standard output, operated
    bool outputEnded = false;
    int status = -1;
    bool exited = false;
    std::string errors;
};

struct Finished {
    int status = -1;
    bool timedOut = false;
    std::string errors; // standard error
};

// Runs the program to its end. It is killed after 20 s, so a start-up that hangs or opens a window fails
// the test instead of stalling it.
inline Finished RunSlabcal(const std::vector<std::string>& arguments, std::vector<std::string> environment) {
    SlabcalProcess program(arguments, std::move(environment));
    Finished finished;
    finished.timedOut = !program.WaitUntilEnded(std::chrono::seconds(20));
    finished.status = program.Reap();
    finished.errors = program.Errors();
    return finished;
}

} // namespace slabcal::test
