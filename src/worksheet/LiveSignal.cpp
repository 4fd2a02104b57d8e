#include "worksheet/LiveSignal.h"

#include <algorithm>

namespace slabcal {

void LiveSignal::Publish(std::uint32_t value) {
    const std::lock_guard guard(lock);
    values[published % Capacity] = value;
    ++published;
    live = true;
}

void LiveSignal::Lost() {
    const std::lock_guard guard(lock);
    ++losses;
    lostAfter = published;
    live = false;
}

std::optional<std::uint32_t> LiveSignal::Current() const {
    const std::lock_guard guard(lock);
    if (!live)
        return std::nullopt;
    return values[(published - 1) % Capacity];
}

bool LiveSignal::IsLost() const {
    const std::lock_guard guard(lock);
    return !live && losses > 0;
}

std::vector<std::uint32_t> LiveSignal::Recent(std::size_t count) const {
    const std::lock_guard guard(lock);
    std::vector<std::uint32_t> recent;
    if (!live)
        return recent;
    const std::uint64_t first = std::max({published - std::min<std::uint64_t>(published, count), lostAfter,
                                          published - std::min<std::uint64_t>(published, Capacity)});
    for (std::uint64_t number = first; number < published; ++number)
        recent.push_back(values[number % Capacity]);
    return recent;
}

LiveSignal::Fresh LiveSignal::Since(Cursor& cursor) const {
    const std::lock_guard guard(lock);
    Fresh fresh;
    fresh.lost = cursor.losses != losses;
    const std::uint64_t oldestKept = published - std::min<std::uint64_t>(published, Capacity);
    const std::uint64_t first = std::max({cursor.seen, fresh.lost ? lostAfter : 0, oldestKept});
    for (std::uint64_t number = first; number < published; ++number)
        fresh.values.push_back(values[number % Capacity]);
    cursor = {published, losses};
    return fresh;
}

void LiveSignal::OfferReconnect(std::function<bool()> offered) {
    reconnect = std::move(offered);
}

bool LiveSignal::Reconnect() {
    // A copy: the reconnect may run the UI's event loop (a box) in which the dialog withdraws its offer.
    const std::function<bool()> call = reconnect;
    return call && call();
}

bool LiveSignal::CanReconnect() const {
    return static_cast<bool>(reconnect);
}

} // namespace slabcal
