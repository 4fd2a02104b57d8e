#include "drivers/iio/IioText.h"

#include "platform/ConverterContract.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace slabcal {
namespace {

constexpr std::string_view Blanks = " \t\r\n";

} // namespace

std::string_view TrimmedText(std::string_view text) {
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

std::optional<std::int64_t> ParseRawValue(std::string_view text) {
    text = TrimmedText(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars would take a second sign ("--5"); only digits may follow the one sign.
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    constexpr auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (error == std::errc::result_out_of_range || magnitude > max)
        return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    if (error != std::errc{} || stop != text.data() + text.size())
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? -value : value;
}

std::uint32_t SaturatedCounts(std::int64_t raw) {
    if (raw < 0)
        return 0;
    if (raw > std::int64_t{MaxSampleCounts})
        return MaxSampleCounts;
    return static_cast<std::uint32_t>(raw);
}

std::optional<double> ParseScale(std::string_view text) {
    text = TrimmedText(text);
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || stop != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<double>> ParseScaleList(std::string_view text) {
    std::vector<double> scales;
    text = TrimmedText(text);
    while (!text.empty()) {
        const auto end = text.find_first_of(Blanks);
        const auto scale = ParseScale(text.substr(0, end));
        if (!scale)
            return std::nullopt;
        scales.push_back(*scale);
        text = end == std::string_view::npos ? std::string_view{} : TrimmedText(text.substr(end));
    }
    if (scales.empty())
        return std::nullopt;
    return scales;
}

} // namespace slabcal
