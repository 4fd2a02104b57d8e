#include "records/RecordListing.h"

#include <exception>
#include <utility>

namespace slabcal {

RecordListing::RecordListing(Source listRecords, Deliver deliverList)
    : source(std::move(listRecords)), deliver(std::move(deliverList)),
      worker([this](const std::stop_token& stop) { Run(stop); }) {}

RecordListing::~RecordListing() {
    worker.request_stop();
    if (worker.joinable())
        worker.join();
}

void RecordListing::Request() {
    {
        const std::lock_guard lock(mutex);
        requested = true;
    }
    wake.notify_one();
}

void RecordListing::Run(const std::stop_token& stop) {
    std::unique_lock lock(mutex);
    while (wake.wait(lock, stop, [this] { return requested; }) && !stop.stop_requested()) {
        requested = false;
        lock.unlock();
        // A listing that fails (out of memory) delivers nothing; the reader keeps the list it has.
        try {
            std::vector<ListedRecord> records = source(stop);
            if (!stop.stop_requested())
                deliver(std::move(records));
        } catch (const std::exception&) {
        }
        lock.lock();
    }
}

} // namespace slabcal
