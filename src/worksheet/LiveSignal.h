#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace slabcal {

// The averaged signals as the sampling worker delivers them, one a cycle, for every face that watches the
// calibration. Each value is counted once however often a face looks, so a face that polls faster than a
// slow converter converts never mistakes an unchanged field for a steady signal. Published from the
// worker's thread, read from the UI thread.
class LiveSignal final {
public:
    // How many of the newest values are kept for a face that fell behind.
    static constexpr std::size_t Capacity = 64;

    void Publish(std::uint32_t value);
    // The converter stopped answering: no value is live until the next one.
    void Lost();

    // The newest value, while one is live.
    [[nodiscard]] std::optional<std::uint32_t> Current() const;

    // Where one face stands in the stream.
    struct Cursor {
        std::uint64_t seen = 0;   // number of the newest value the face took
        std::uint64_t losses = 0; // losses the face knows of
    };
    struct Fresh {
        std::vector<std::uint32_t> values; // oldest first, at most Capacity
        bool lost = false;                 // the converter was lost since: only values after that follow
    };
    // The newest `count` values (fewer when fewer came since the converter was last lost), oldest first;
    // nothing while no value is live.
    [[nodiscard]] std::vector<std::uint32_t> Recent(std::size_t count) const;
    // What was published since the face last looked; moves the cursor on.
    [[nodiscard]] Fresh Since(Cursor& cursor) const;

private:
    mutable std::mutex lock;
    std::array<std::uint32_t, Capacity> values{};
    std::uint64_t published = 0; // number of the newest value; value n sits at (n - 1) % Capacity
    std::uint64_t losses = 0;
    std::uint64_t lostAfter = 0; // the newest value before the last loss
    bool live = false;
};

} // namespace slabcal
