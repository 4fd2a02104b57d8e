#pragma once

#include <string>
#include <vector>

namespace slabcal {

// How the real program (SLABCAL_BINARY) ended when a test ran it as a child process.
struct Finished {
    int status = -1;
    bool timedOut = false;
    std::string errors; // standard error
};

// Runs the program with `environment` in place of this process's display settings. It is killed after 20 s,
// so a start-up that hangs or opens a window fails the test instead of stalling it.
Finished RunSlabcal(std::vector<std::string> arguments, std::vector<std::string> environment);

} // namespace slabcal
