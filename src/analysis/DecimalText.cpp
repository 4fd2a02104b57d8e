#include "analysis/DecimalText.h"

#include <array>
#include <charconv>
#include <cmath>

namespace slabcal::analysis {

std::string FixedText(double value, int decimals) {
    if (!std::isfinite(value))
        return "-";
    std::array<char, 400> text{};
    const auto printed =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
    return {text.data(), printed.ptr};
}

} // namespace slabcal::analysis
