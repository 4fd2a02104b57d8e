#include "acquisition/ThreadCensus.h"

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <utility>

namespace slabcal {
namespace {
std::atomic<int> running{0};
} // namespace

ThreadCensus::ThreadCensus() {
    running.fetch_add(1);
}

ThreadCensus::~ThreadCensus() {
    if (counted)
        running.fetch_sub(1);
}

ThreadCensus::ThreadCensus(ThreadCensus&& other) noexcept : counted(std::exchange(other.counted, false)) {}

int ThreadCensus::Running() {
    return running.load();
}

int ThreadCensus::EndOfProgram(int status) {
    if (Running() == 0)
        return status;
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(status);
}

} // namespace slabcal
