#include "drivers/iio/IioText.h"

#include "platform/ConverterContract.h"

#include <algorithm>
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

std::uint32_t GaugeCounts(std::int64_t raw, double offset, IioInputPolarity polarity) {
    // long double holds every 64-bit raw exactly, so a raw near 2^63 cannot round back into range.
    long double value = std::roundl(static_cast<long double>(raw) + static_cast<long double>(offset));
    if (polarity == IioInputPolarity::Bipolar)
        value += static_cast<long double>(MaxSampleCounts / 2 + 1);
    if (value < 0)
        return 0;
    if (value > static_cast<long double>(MaxSampleCounts))
        return MaxSampleCounts;
    return static_cast<std::uint32_t>(value);
}

std::optional<double> ParseDecimal(std::string_view text) {
    text = TrimmedText(text);
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || stop != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

// Numbers separated by blanks; nullopt when any is not one.
std::optional<std::vector<double>> ParseNumbers(std::string_view text) {
    std::vector<double> numbers;
    text = TrimmedText(text);
    while (!text.empty()) {
        const auto end = text.find_first_of(Blanks);
        const auto number = ParseDecimal(text.substr(0, end));
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
        text = end == std::string_view::npos ? std::string_view{} : TrimmedText(text.substr(end));
    }
    return numbers;
}

} // namespace

bool ScaleChoices::Offers(double scale) const {
    if (!range)
        return std::find(list.begin(), list.end(), scale) != list.end();
    if (scale < range->min || scale > range->max)
        return false;
    const double steps = (scale - range->min) / range->step;
    return std::fabs(steps - std::round(steps)) <= 1e-6;
}

std::optional<ScaleChoices> ParseScaleChoices(std::string_view text) {
    text = TrimmedText(text);
    if (text.starts_with('[')) {
        if (!text.ends_with(']'))
            return std::nullopt;
        const auto numbers = ParseNumbers(text.substr(1, text.size() - 2));
        if (!numbers || numbers->size() != 3 || !((*numbers)[1] > 0) || (*numbers)[2] < (*numbers)[0])
            return std::nullopt;
        return ScaleChoices((*numbers)[0], (*numbers)[1], (*numbers)[2]);
    }
    auto numbers = ParseNumbers(text);
    if (!numbers || numbers->empty())
        return std::nullopt;
    return ScaleChoices(std::move(*numbers));
}

} // namespace slabcal
