#include "fitting/NumberText.h"

#include "platform/ClassicNumbers.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <string>

namespace slabcal {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipWhiteSpace(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
        text.remove_prefix(1);
    return text;
}

std::size_t DigitsAt(std::string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    return end - at;
}

} // namespace

std::string_view DecimalPrefixText(std::string_view text) {
    text = SkipWhiteSpace(text);
    std::size_t length = 0;
    if (length < text.size() && (text[length] == '+' || text[length] == '-'))
        ++length;
    std::size_t integerDigits = DigitsAt(text, length);
    length += integerDigits;
    std::size_t fractionDigits = 0;
    if (length < text.size() && text[length] == '.') {
        fractionDigits = DigitsAt(text, length + 1);
        if (integerDigits + fractionDigits > 0)
            length += 1 + fractionDigits;
    }
    if (integerDigits + fractionDigits == 0)
        return {};
    if (length < text.size() && (text[length] == 'e' || text[length] == 'E')) {
        std::size_t exponent = length + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        if (std::size_t exponentDigits = DigitsAt(text, exponent); exponentDigits > 0)
            length = exponent + exponentDigits;
    }
    return text.substr(0, length);
}

double ReadDecimalPrefix(std::string_view text) {
    const std::string_view prefix = DecimalPrefixText(text);
    if (prefix.empty())
        return 0.0;
    // strtod on exactly the decimal prefix, with '.' the decimal point in any locale.
    return ClassicStrtod(std::string(prefix).c_str());
}

int32_t ReadIntegerPrefix(std::string_view text) {
    text = SkipWhiteSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (char c : text) {
        if (!IsDigit(c))
            break;
        value = std::min(value * 10 + (c - '0'), limit);
    }
    value = negative ? -value : value;
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace slabcal
