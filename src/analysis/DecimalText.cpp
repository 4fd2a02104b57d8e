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
    std::string shown(text.data(), printed.ptr);
    // A value that rounds to zero is shown without a sign.
    if (shown.front() == '-' && shown.find_first_not_of("-0.") == std::string::npos)
        shown.erase(0, 1);
    return shown;
}

} // namespace slabcal::analysis
