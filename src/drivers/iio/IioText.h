#pragma once

#include "drivers/iio/IioSettings.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace slabcal {

// The numbers in IIO attribute texts. Blanks and line ends around a value are ignored; anything else that
// is not part of the number makes the text unusable, so "12abc" is never read as 12.

// A raw conversion: an optionally signed decimal integer. One too long for 64 bits is still an integer and
// comes back as the nearest 64-bit end, so it saturates like any other out-of-range value.
[[nodiscard]] std::optional<std::int64_t> ParseRawValue(std::string_view text);

// The gauge's counts for a raw conversion: (raw + offset), the channel's value before scaling, rounded to
// the nearest integer, plus 2^23 for a bipolar input; below 0 gives 0, above 2^24 - 1 gives 2^24 - 1,
// never wrapped.
[[nodiscard]] std::uint32_t GaugeCounts(std::int64_t raw, double offset, IioInputPolarity polarity);

// A decimal number: a scale ("0.000298"), an offset ("-8388608"), a frequency; finite, read in the C
// locale whatever the process's locale.
[[nodiscard]] std::optional<double> ParseDecimal(std::string_view text);

// What a scale_available attribute offers: a list of scales ("0.000149 0.000298 ") or a range
// ("[0.000149 0.000149 0.000596]": min, step, max).
class ScaleChoices {
public:
    explicit ScaleChoices(std::vector<double> listed) : list(std::move(listed)) {}
    ScaleChoices(double min, double step, double max) : range{{min, step, max}} {}
    // Listed exactly, or within the range on one of its steps (to a millionth of a step, as the kernel
    // prints a step rounded to its digits).
    [[nodiscard]] bool Offers(double scale) const;

private:
    std::vector<double> list;
    struct Range {
        double min, step, max;
    };
    std::optional<Range> range;
};

// A scale_available text. An empty list, a range with a step not above 0 or a max below its min, and
// anything not a number are unusable.
[[nodiscard]] std::optional<ScaleChoices> ParseScaleChoices(std::string_view text);

// Without the blanks and line ends around it.
[[nodiscard]] std::string_view TrimmedText(std::string_view text);

} // namespace slabcal
