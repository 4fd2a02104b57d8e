#pragma once

#include "drivers/simulated/SimControl.h"

#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

namespace slabcal {

// Watches the simulator's control file (--sim-control FILE) so a script can steer the gauge from outside
// the process. The file is looked at again only when asked (the gauge asks from its driver calls), at most
// once per `minimumInterval`; it counts as changed when its identity, size or modification time moved or
// its text differs (a fast rewrite of the same length can keep the coarse file-system timestamp). A file
// that does not exist yet is no error: it is picked up when it appears. Problems with its lines go to
// `problems` as "sim-control FILE: line N: ...". Not thread-safe: its owner serialises the calls.
class SimControlFile final {
public:
    static constexpr std::chrono::milliseconds DefaultPollInterval{50};
    // Larger files are refused: the control file is a handful of lines, and this keeps a path that names
    // a device or a huge file from stalling the driver call that looks at it.
    static constexpr std::uintmax_t MaxFileSize = 64 * 1024;

    SimControlFile(std::filesystem::path file, std::chrono::milliseconds minimumInterval,
                   std::ostream& problems);

    // The file's settings when it appeared or changed since the last look; nothing when it did not, when it
    // is missing or unreadable, or when the last look is more recent than the interval.
    [[nodiscard]] std::optional<SimControl> Poll();

    [[nodiscard]] const std::filesystem::path& Path() const { return file; }

private:
    struct Stamp {
        bool exists = false;
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        long long modifiedSeconds = 0;
        long long modifiedNanoseconds = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };

    [[nodiscard]] std::optional<SimControl> Look();
    void Report(const std::string& problem);

    std::filesystem::path file;
    std::chrono::milliseconds minimumInterval;
    std::ostream& problems;
    std::optional<std::chrono::steady_clock::time_point> lastLook;
    Stamp lastStamp;
    std::string lastText;
    // A file that cannot be used is reported once per state of the file, not at every look.
    std::string lastReported;
};

} // namespace slabcal
