#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
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
    // The converter was lost (or could not be opened) and no value has come since.
    [[nodiscard]] bool IsLost() const;

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

    // How a face opens the converter anew after it was lost (button "重新连接", its key, the script's
    // `reconnect`): the dialog that owns the converter offers it while it runs and withdraws it (nullptr)
    // when it ends. The table is not the converter's and stays as it is. UI thread only.
    void OfferReconnect(std::function<bool()> reconnect);
    // True when the converter is open and sampling again; false when it could not be opened (its box was
    // shown) or no dialog offers a reconnect.
    bool Reconnect();
    [[nodiscard]] bool CanReconnect() const;

private:
    mutable std::mutex lock;
    std::array<std::uint32_t, Capacity> values{};
    std::uint64_t published = 0; // number of the newest value; value n sits at (n - 1) % Capacity
    std::uint64_t losses = 0;
    std::uint64_t lostAfter = 0; // the newest value before the last loss
    bool live = false;
    std::function<bool()> reconnect; // UI thread only
};

} // namespace slabcal
