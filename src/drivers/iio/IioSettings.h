#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace slabcal {

// How a channel's value becomes the gauge's 24-bit counts. Unipolar: the value itself, 0 at zero input;
// bipolar: the value plus half the 24-bit span (2^23), so zero input is mid-scale and a negative input
// keeps its place below it instead of reading 0. Either way saturated to 0 ... 2^24 - 1.
enum class IioInputPolarity { Unipolar, Bipolar };

// Which IIO converter channel stands in for the gauge's converter, and the scales of its two ranges.
struct IioSettings {
    // The device's `label` or `name` attribute ("ads1256"), or its folder name ("iio:device0").
    std::string device;
    // Y of in_voltageY_raw; the positive input X of a differential in_voltageX-voltageY_raw.
    std::uint32_t channel = 0;
    // The scale texts written for codes 8 and 9 ("0.000298"), each one of the values the device offers in
    // its scale_available attribute. Without one, that code succeeds and leaves the device as it is.
    std::optional<std::string> smallScale;
    std::optional<std::string> largeScale;
    std::string sysfsRoot = "/sys/bus/iio/devices";
    // The negative input Y of a differential channel in_voltageX-voltageY (X being `channel`).
    std::optional<std::uint32_t> negativeChannel;
    // Written to the channel's sampling_frequency at open ("50"); without one the device keeps its own.
    std::optional<std::string> samplingFrequency;
    IioInputPolarity polarity = IioInputPolarity::Unipolar;
};

} // namespace slabcal
