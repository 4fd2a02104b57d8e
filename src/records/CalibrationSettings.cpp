#include "records/CalibrationSettings.h"

#include "platform/ClassicNumbers.h"
#include "platform/KeyValueLines.h"

#include <cerrno>
#include <cmath>
#include <limits>
#include <system_error>

namespace slabcal {
namespace {

// Texts are printed on a certificate and listed by history: a line, not a page.
constexpr std::size_t MaxTextBytes = 200;

// The whole text as a finite number, a unit after it allowed: "0.02", "0.02 mm", "1 %".
std::optional<double> Number(std::string_view text, std::string_view unit = {}) {
    std::string copy(text);
    char* end = nullptr;
    const double value = ClassicStrtod(copy.c_str(), &end);
    if (end == copy.c_str() || !std::isfinite(value))
        return std::nullopt;
    std::string_view rest(end);
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    if (!rest.empty() && rest != unit)
        return std::nullopt;
    return value;
}

std::optional<double> Tolerance(std::string_view text) {
    const auto value = Number(text, "mm");
    return value && *value >= 0 ? value : std::nullopt;
}

// "a mm + b %", "a mm" or "b %".
std::optional<PermissibleError> ParsePermissibleError(std::string_view text) {
    PermissibleError error;
    bool any = false;
    while (!text.empty()) {
        const auto plus = text.find('+');
        std::string_view term = text.substr(0, plus);
        text = plus == std::string_view::npos ? std::string_view{} : text.substr(plus + 1);
        while (!term.empty() && term.back() == ' ')
            term.remove_suffix(1);
        while (!term.empty() && term.front() == ' ')
            term.remove_prefix(1);
        const bool percent = term.ends_with('%');
        const auto value = percent ? Number(term, "%") : Number(term, "mm");
        if (!value || *value < 0 || (!percent && !term.ends_with("mm")))
            return std::nullopt;
        (percent ? error.percent : error.mm) += *value;
        any = true;
    }
    if (!any || (error.mm == 0 && error.percent == 0))
        return std::nullopt;
    return error;
}

std::optional<double> NumberWithin(std::string_view text, double least, double most) {
    const auto value = Number(text);
    return value && *value >= least && *value <= most ? value : std::nullopt;
}

bool Printable(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return text.size() <= MaxTextBytes;
}

// False when the value is not one the key takes.
bool Apply(CalibrationSettings& settings, std::string_view key, std::string_view value) {
    const auto text = [&](std::string& field) {
        if (!Printable(value))
            return false;
        field = value;
        return true;
    };
    if (key == "serial")
        return text(settings.serialNumber);
    if (key == "reference")
        return text(settings.referenceSet);
    if (key == "reference_certificate")
        return text(settings.referenceCertificate);
    if (key == "reference_tolerance" || key == "reference_tolerance_small" ||
        key == "reference_tolerance_large") {
        const auto tolerance = Tolerance(value);
        if (!tolerance)
            return false;
        if (key != "reference_tolerance_large")
            settings.toleranceSmall = tolerance;
        if (key != "reference_tolerance_small")
            settings.toleranceLarge = tolerance;
        return true;
    }
    if (key == "permissible_error") {
        settings.permissibleError = ParsePermissibleError(value);
        return settings.permissibleError.has_value();
    }
    if (key == "interval_days") {
        const auto days = Number(value);
        if (!days || *days < 1 || *days > 3660 || *days != std::floor(*days))
            return false;
        settings.intervalDays = static_cast<int>(*days);
        return true;
    }
    return false;
}

bool KnownKey(std::string_view key) {
    for (const std::string_view known :
         {"serial", "reference", "reference_certificate", "reference_tolerance", "reference_tolerance_small",
          "reference_tolerance_large", "permissible_error", "interval_days"})
        if (key == known)
            return true;
    return false;
}

} // namespace

CalibrationSettings ParseCalibrationSettings(std::string_view text) {
    CalibrationSettings settings;
    ForEachKeyValueLine(text, [&](const KeyValueLine& line) {
        if (!line.hasEquals)
            settings.problems.push_back(line.NotKeyValue());
        else if (!KnownKey(line.key))
            settings.problems.push_back(line.UnknownKey());
        else if (!Apply(settings, line.key, line.value))
            settings.problems.push_back(line.BadValue());
        return true;
    });
    return settings;
}

CalibrationConditions ReadCalibrationConditions(const DeviceFileSystem& files) {
    CalibrationConditions conditions;
    std::string text;
    if (files.GetFileAttributes(CalibrationConditionsPath) == InvalidFileAttributes ||
        !files.ReadFile(CalibrationConditionsPath, text))
        return conditions;
    ForEachKeyValueLine(text, [&](const KeyValueLine& line) {
        if (line.key == "operator" && Printable(line.value))
            conditions.operatorName = line.value;
        else if (line.key == "temperature")
            conditions.temperature = NumberWithin(line.value, LeastTemperature, MostTemperature);
        else if (line.key == "humidity")
            conditions.humidity = NumberWithin(line.value, LeastHumidity, MostHumidity);
        return true;
    });
    return conditions;
}

std::optional<CalibrationConditions> CalibrationConditionsFromTexts(std::string_view operatorName,
                                                                    std::string_view temperature,
                                                                    std::string_view humidity) {
    CalibrationConditions conditions;
    if (!Printable(operatorName))
        return std::nullopt;
    conditions.operatorName = operatorName;
    if (!temperature.empty() &&
        !(conditions.temperature = NumberWithin(temperature, LeastTemperature, MostTemperature)))
        return std::nullopt;
    if (!humidity.empty() && !(conditions.humidity = NumberWithin(humidity, LeastHumidity, MostHumidity)))
        return std::nullopt;
    return conditions;
}

FileResult WriteCalibrationConditions(const DeviceFileSystem& files,
                                      const CalibrationConditions& conditions) {
    std::string text = "operator=" + conditions.operatorName + "\n";
    if (conditions.temperature)
        text += "temperature=" + ShortestDecimal(*conditions.temperature) + "\n";
    if (conditions.humidity)
        text += "humidity=" + ShortestDecimal(*conditions.humidity) + "\n";
    return files.ReplaceFile(CalibrationConditionsPath, text);
}

CalibrationSettings ReadCalibrationSettings(const DeviceFileSystem& files) {
    if (files.GetFileAttributes(CalibrationSettingsPath) == InvalidFileAttributes)
        return {};
    std::string text;
    if (const FileResult read = files.ReadFile(CalibrationSettingsPath, text); !read) {
        CalibrationSettings unread;
        unread.problems.push_back(std::string(CalibrationSettingsPath) + ": " + read.Describe());
        return unread;
    }
    return ParseCalibrationSettings(text);
}

} // namespace slabcal
