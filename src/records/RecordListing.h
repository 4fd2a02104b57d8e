#pragma once

#include "records/RecordStore.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace slabcal {

// Lists and reads the records on a thread of its own, so that a window asking for them never waits on
// the disk: thousands of records, or a slow or damaged file, cost that thread time, not the window's.
class RecordListing final {
public:
    // Lists the records; called on the listing thread, it should stop early once the token is requested.
    using Source = std::function<std::vector<ListedRecord>(const std::stop_token&)>;
    // Takes a complete list; called on the listing thread, once per listing, in the order they were made.
    using Deliver = std::function<void(std::vector<ListedRecord>)>;

    RecordListing(Source source, Deliver deliver);
    // Asks a listing under way to stop, and waits for it; nothing is delivered after this returns.
    ~RecordListing();
    RecordListing(const RecordListing&) = delete;
    RecordListing& operator=(const RecordListing&) = delete;

    // Lists again without waiting. Requests made while a listing runs are served by one more listing
    // after it, so the last delivery always reflects the folder as it was after the last request.
    void Request();

private:
    void Run(const std::stop_token& stop);

    Source source;
    Deliver deliver;
    std::mutex mutex;
    std::condition_variable_any wake;
    bool requested = false;
    std::jthread worker; // last: stopped and joined before the members it uses go
};

} // namespace slabcal
