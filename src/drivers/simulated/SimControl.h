#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

// The settings one simulator control file asks for. A key missing from the file leaves the gauge's
// setting as it is, so every field is optional. The keys, one `key=value` a line, blank lines and lines
// starting with '#' ignored, spaces around key and value allowed:
//
//   height=MM               probe height in millimetres (>= 0)
//   noise=SIGMA             relative standard deviation of the per-record noise (0 to 1; 0 is noise-free)
//   seed=N                  seed of the noise generator (0 to 4294967295); restarts the noise sequence
//   conversion_ms=MS        conversion time of one sample record in milliseconds (0 to 10000)
//   fail_init=K             the next K initialise calls fail
//   fail_reads_from=K|off   sample reads fail from record K on, counting from 0 when the setting is applied
//   fail_range=0|1          while 1, every range switch fails
//   fail_range_next=K       the next K range switches fail
//   absent=0|1              while 1, the driver cannot be opened
struct SimControl {
    std::optional<double> heightMm;
    std::optional<double> noise;
    std::optional<std::uint32_t> seed;
    std::optional<std::chrono::microseconds> conversionTime;
    std::optional<std::uint32_t> initFailures;
    // Outer: the key was given; inner: the first failing record, or nullopt for "off".
    std::optional<std::optional<std::uint64_t>> readsFailFrom;
    std::optional<bool> rangeSwitchFailing;
    std::optional<std::uint32_t> rangeSwitchFailures;
    std::optional<bool> absent;
};

// Reads a control file's text. Lines that cannot be used (unknown key, missing '=', bad or out-of-range
// value) are left out and described in `problems` as "line N: ...", never thrown. A key given twice takes
// its last value.
[[nodiscard]] SimControl ParseSimControl(std::string_view text, std::vector<std::string>& problems);

} // namespace slabcal
