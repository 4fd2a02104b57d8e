#pragma once

#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

// Where the calibration settings live on the device (ROOT/slabcal.conf on the host).
inline constexpr std::string_view CalibrationSettingsPath = "slabcal.conf";

// The gauge's permissible error at a height h: `mm` + `percent` % of h.
struct PermissibleError {
    double mm = 0;
    double percent = 0;

    [[nodiscard]] double At(double height) const { return mm + percent / 100 * height; }
    friend bool operator==(const PermissibleError&, const PermissibleError&) = default;
};

// What the laboratory states about the gauge and its reference, from the settings file: every field is
// optional, and a certificate says "—" for one that is not set.
struct CalibrationSettings {
    std::string serialNumber;
    std::string referenceSet;
    std::string referenceCertificate;
    // The half-width of the reference heights' tolerance, in mm, on each converter range.
    std::optional<double> toleranceSmall;
    std::optional<double> toleranceLarge;
    std::optional<PermissibleError> permissibleError;
    std::optional<int> intervalDays;
    // The lines of the file that were not used ("line 3: bad value 'x' for interval_days"), so a mistake in
    // the file is stated rather than silently read as "not set".
    std::vector<std::string> problems;

    [[nodiscard]] std::optional<double> Tolerance(ConverterRange range) const {
        return range == ConverterRange::Small ? toleranceSmall : toleranceLarge;
    }
    friend bool operator==(const CalibrationSettings&, const CalibrationSettings&) = default;
};

// The settings a text holds; a line that cannot be used is skipped and named in `problems`.
[[nodiscard]] CalibrationSettings ParseCalibrationSettings(std::string_view text);
// The settings file of the device: none when it is missing, and a problem when it cannot be read.
[[nodiscard]] CalibrationSettings ReadCalibrationSettings(const DeviceFileSystem& files);

// Where the operator's entries live until changed (ROOT/slabcal-operator.conf): `operator`, `temperature`
// (°C), `humidity` (% RH).
inline constexpr std::string_view CalibrationConditionsPath = "slabcal-operator.conf";

// The conditions of one calibration, as the operator enters them.
struct CalibrationConditions {
    std::string operatorName;
    std::optional<double> temperature; // °C, -50 to 100
    std::optional<double> humidity;    // % RH, 0 to 100

    [[nodiscard]] bool Empty() const { return operatorName.empty() && !temperature && !humidity; }
    friend bool operator==(const CalibrationConditions&, const CalibrationConditions&) = default;
};

// The values an entry is taken in, wherever it is entered (the form, --temperature, the kept file).
inline constexpr double LeastTemperature = -50;
inline constexpr double MostTemperature = 100;
inline constexpr double LeastHumidity = 0;
inline constexpr double MostHumidity = 100;

// The operator's entries as last kept; a line that cannot be used is left out (nothing is not a failure).
[[nodiscard]] CalibrationConditions ReadCalibrationConditions(const DeviceFileSystem& files);

// The conditions as the operator typed them (an empty temperature or humidity: not stated); nothing when a
// text is not one the kept file would take back.
[[nodiscard]] std::optional<CalibrationConditions>
CalibrationConditionsFromTexts(std::string_view operatorName, std::string_view temperature,
                               std::string_view humidity);
// Keeps the operator's entries on the device for the calibrations that follow, replaced atomically.
[[nodiscard]] FileResult WriteCalibrationConditions(const DeviceFileSystem& files,
                                                    const CalibrationConditions& conditions);

} // namespace slabcal
