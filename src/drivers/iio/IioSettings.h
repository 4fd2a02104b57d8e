#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace slabcal {

// Which IIO converter channel stands in for the gauge's converter, and the scales of its two ranges.
struct IioSettings {
    // The device's `name` attribute ("ads1256"), or its folder name ("iio:device0").
    std::string device;
    // Y of in_voltageY_raw.
    std::uint32_t channel = 0;
    // The scale texts written for codes 8 and 9 ("0.000298"), each one of the values the device lists in
    // its scale_available attribute. Without one, that code succeeds and leaves the device as it is.
    std::optional<std::string> smallScale;
    std::optional<std::string> largeScale;
    std::string sysfsRoot = "/sys/bus/iio/devices";
};

} // namespace slabcal
