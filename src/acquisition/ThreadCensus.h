#pragma once

namespace slabcal {

// Counts the acquisition's own threads (sampling workers, bounded driver calls) from the moment one is
// about to be started until it has finished. A thread still counted once the dialog is gone was let go
// inside a driver call that did not return: the program must then end without waiting for it and without
// destroying what it may still touch when the call comes back (the driver registry, the host's calls).
//
// Taken by the thread that starts the other, before it starts it, and moved into the new thread, so a
// thread that has not yet begun to run is counted too. Move-only.
class ThreadCensus final {
public:
    ThreadCensus();
    ~ThreadCensus();
    ThreadCensus(ThreadCensus&& other) noexcept;
    ThreadCensus& operator=(ThreadCensus&&) = delete;
    ThreadCensus(const ThreadCensus&) = delete;
    ThreadCensus& operator=(const ThreadCensus&) = delete;

    // How many counted threads have not finished yet.
    [[nodiscard]] static int Running();
    // The program's end with `status`: returned when no counted thread runs; else, as a thread let go
    // inside a driver call would come back into what a normal exit destroys (and keeps the process from
    // ending while it waits), standard output and error are flushed and the process ends at once.
    [[nodiscard]] static int EndOfProgram(int status);

private:
    bool counted = true;
};

} // namespace slabcal
