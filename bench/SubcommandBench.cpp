// slabcal's subcommands from process start to exit, as a script runs them: `slabcal history` on a device
// root of 20 records, `slabcal fit` on a fifteen-row points file and `slabcal fit --write` (the values
// stored, the backup copy and a record made). Each run alternates with one of /bin/true, so both see the
// same machine; prints p50 / p99 / max of each in milliseconds and the ratio of the p50s.
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

// Milliseconds from before the start to after the exit; negative when the run failed.
double TimedRun(const std::vector<std::string>& arguments) {
    const auto start = std::chrono::steady_clock::now();
    const bool succeeded = Run(arguments);
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return succeeded ? milliseconds : -1;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()))];
}

// `runs` runs of the command, each after one of /bin/true; false when one failed.
bool Measure(const char* what, const std::vector<std::string>& arguments, int runs) {
    std::vector<double> command;
    std::vector<double> baseline;
    for (int run = 0; run < runs; ++run) {
        baseline.push_back(TimedRun({"/bin/true"}));
        command.push_back(TimedRun(arguments));
        if (baseline.back() < 0 || command.back() < 0) {
            std::fprintf(stderr, "run %d: %s failed\n", run, what);
            return false;
        }
    }
    for (const auto& [name, times] :
         {std::pair{what, &command}, std::pair{"  /bin/true beside it", &baseline}})
        std::printf("%-36s p50 %6.2f ms, p99 %6.2f ms, max %6.2f ms\n", name, Percentile(*times, 0.5),
                    Percentile(*times, 0.99), *std::max_element(times->begin(), times->end()));
    std::printf("%-36s p50 %.1f x /bin/true\n", "", Percentile(command, 0.5) / Percentile(baseline, 0.5));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
    const std::filesystem::path root =
        std::filesystem::absolute(argc > 2 ? argv[2] : "subcommand-bench-root");
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    const std::string points = (root / "points.csv").string();
    std::ofstream(points) << "height,signal\n40,9894\n50,6990\n70,4140\n100,1921\n150,796\n200,376\n240,236\n"
                             "250,8565\n300,5180\n400,2342\n500,1265\n600,765\n700,500\n750,413\n800,346\n";
    // The history's root: twenty writes, twenty records.
    const std::string records = (root / "records").string();
    for (int record = 0; record < 20; ++record)
        if (!Run({SLABCAL_BINARY, "fit", points, "--write", "--root", records})) {
            std::fprintf(stderr, "record %d: slabcal fit --write failed\n", record);
            return 1;
        }
    const auto stored = std::distance(std::filesystem::directory_iterator(records + "/NandFlash/Calibration"),
                                      std::filesystem::directory_iterator());
    std::printf("%d runs each, process start to exit (history on %ld records)\n", runs,
                static_cast<long>(stored));
    const std::string device = (root / "device").string();
    const bool measured =
        Measure("slabcal history", {SLABCAL_BINARY, "history", "--root", records}, runs) &&
        Measure("slabcal fit", {SLABCAL_BINARY, "fit", points, "--root", device}, runs) &&
        Measure("slabcal fit --write", {SLABCAL_BINARY, "fit", points, "--write", "--root", device}, runs);
    std::filesystem::remove_all(root);
    return measured ? 0 : 1;
}
