// `slabcal fit` on a fifteen-row points file, end to end: the real program started, run and waited for,
// as a script would, the time taken from before the start to after the exit. Prints p50 / p99 / max in
// milliseconds, and once with --write (the values stored, the backup copy and the record made).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs the program with the arguments, its output thrown away; false unless it exited with status 0.
bool Run(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()))];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    const std::filesystem::path root = std::filesystem::absolute(argc > 2 ? argv[2] : "fit-bench-root");
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    const std::string points = (root / "points.csv").string();
    std::ofstream(points) << "height,signal\n40,9894\n50,6990\n70,4140\n100,1921\n150,796\n200,376\n240,236\n"
                             "250,8565\n300,5180\n400,2342\n500,1265\n600,765\n700,500\n750,413\n800,346\n";
    for (const bool write : {false, true}) {
        std::vector<double> milliseconds;
        for (int run = 0; run < runs; ++run) {
            std::vector<std::string> arguments{SLABCAL_BINARY, "fit", points, "--root",
                                               (root / "device").string()};
            if (write)
                arguments.emplace_back("--write");
            const auto start = std::chrono::steady_clock::now();
            if (!Run(arguments)) {
                std::fprintf(stderr, "run %d: slabcal fit failed\n", run);
                return 1;
            }
            milliseconds.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::printf("slabcal fit%s, %d runs, process start to exit: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                    write ? " --write" : "", runs, Percentile(milliseconds, 0.5),
                    Percentile(milliseconds, 0.99),
                    *std::max_element(milliseconds.begin(), milliseconds.end()));
    }
    std::filesystem::remove_all(root);
    return 0;
}
