#include "drivers/simulated/SimControl.h"

#include "drivers/simulated/SimulatedGauge.h"
#include "platform/KeyValueLines.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>

namespace slabcal {
namespace {

// The whole value must be the number: "12abc" or "1 2" is refused rather than read as 12.
template <typename Number> std::optional<Number> WholeNumber(std::string_view value) {
    Number number{};
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, number);
    if (error != std::errc{} || stop != end)
        return std::nullopt;
    return number;
}

std::optional<double> FiniteNumber(std::string_view value) {
    auto number = WholeNumber<double>(value);
    if (number && !std::isfinite(*number))
        return std::nullopt;
    return number;
}

std::optional<bool> Flag(std::string_view value) {
    if (value == "0")
        return false;
    if (value == "1")
        return true;
    return std::nullopt;
}

std::optional<double> Checked(std::optional<double> number, bool (*valid)(double)) {
    if (number && !valid(*number))
        return std::nullopt;
    return number;
}

std::optional<std::chrono::microseconds> ConversionTime(std::string_view value) {
    const auto milliseconds = FiniteNumber(value);
    // The range test comes before the conversion, which would overflow for huge values.
    const double limit = std::chrono::duration<double, std::milli>(SimulatedGauge::MaxConversionTime).count();
    if (!milliseconds || *milliseconds < 0 || *milliseconds > limit)
        return std::nullopt;
    return std::chrono::microseconds(std::llround(*milliseconds * 1000.0));
}

// Outer: the value was usable; inner: the first failing record, or nullopt for "off".
std::optional<std::optional<std::uint64_t>> FirstFailingRecord(std::string_view value) {
    if (value == "off")
        return std::optional<std::uint64_t>{};
    if (const auto record = WholeNumber<std::uint64_t>(value))
        return record;
    return std::nullopt;
}

// Stores the value into the SimControl when `parse` accepts it; false when it is unusable.
using KeyReader = std::function<bool(std::string_view value, SimControl& control)>;

template <auto Field, typename Parse> KeyReader StoreParsed(Parse parse) {
    return [parse](std::string_view value, SimControl& control) {
        auto parsed = parse(value);
        if (!parsed)
            return false;
        control.*Field = *parsed;
        return true;
    };
}

const std::map<std::string_view, KeyReader>& KeyReaders() {
    static const std::map<std::string_view, KeyReader> readers{
        {"height", StoreParsed<&SimControl::heightMm>([](std::string_view value) {
             return Checked(FiniteNumber(value), &SimulatedGauge::IsValidHeight);
         })},
        {"noise", StoreParsed<&SimControl::noise>([](std::string_view value) {
             return Checked(FiniteNumber(value), &SimulatedGauge::IsValidNoise);
         })},
        {"seed", StoreParsed<&SimControl::seed>(&WholeNumber<std::uint32_t>)},
        {"conversion_ms", StoreParsed<&SimControl::conversionTime>(&ConversionTime)},
        {"fail_init", StoreParsed<&SimControl::initFailures>(&WholeNumber<std::uint32_t>)},
        {"fail_reads_from", StoreParsed<&SimControl::readsFailFrom>(&FirstFailingRecord)},
        {"fail_range", StoreParsed<&SimControl::rangeSwitchFailing>(&Flag)},
        {"fail_range_next", StoreParsed<&SimControl::rangeSwitchFailures>(&WholeNumber<std::uint32_t>)},
        {"absent", StoreParsed<&SimControl::absent>(&Flag)},
    };
    return readers;
}

} // namespace

SimControl ParseSimControl(std::string_view text, std::vector<std::string>& problems) {
    SimControl control;
    const auto& readers = KeyReaders();
    ForEachKeyValueLine(text, [&](const KeyValueLine& line) {
        const auto reader = line.hasEquals ? readers.find(line.key) : readers.end();
        if (!line.hasEquals)
            problems.push_back(line.NotKeyValue());
        else if (reader == readers.end())
            problems.push_back(line.UnknownKey());
        else if (!reader->second(line.value, control))
            problems.push_back(line.BadValue());
        return true;
    });
    return control;
}

} // namespace slabcal
