#include "platform/ClassicNumbers.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <locale.h>

namespace slabcal {

double ClassicStrtod(const char* text, char** end) {
    static const locale_t classic = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return ::strtod_l(text, end, classic);
}

std::string ShortestDecimal(double value) {
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    return {text.data(), written.ptr};
}

} // namespace slabcal
