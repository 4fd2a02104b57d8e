#pragma once

#include "drivers/iio/SysfsFiles.h"

#include <cstdint>
#include <optional>
#include <string>

namespace slabcal {

// Finds an IIO device under `root` (/sys/bus/iio/devices): "iio:deviceN" names its folder; anything else
// is matched against each iio:device folder's `label` attribute (the name the board's firmware gives this
// converter, stable across boots where the folder numbers are not), and when no label matches, against
// its `name` (the chip's). A label or name two devices share is refused rather than one of them picked,
// since the other might be the converter wired to the probe. nullopt with `problem` set when there is no
// such device.
[[nodiscard]] std::optional<std::string> FindIioDeviceFolder(const std::string& root,
                                                             const std::string& device, SysfsFiles& files,
                                                             std::string& problem);

// The attribute paths of one voltage channel in a device folder: in_voltageY_* for a single-ended channel,
// in_voltageX-voltageY_* for a differential one. Offset, scale and their lists may be the channel's own
// or shared by all voltage channels of its kind (in_voltage_*, in_voltage-voltage_*); the channel's own is
// taken when it exists. The sampling frequency may also be the device's (sampling_frequency).
struct IioChannelFiles {
    std::string raw;
    std::string offset; // may not exist: offset 0
    std::string scale;
    std::string scaleAvailable;
    std::string samplingFrequency;
};
[[nodiscard]] IioChannelFiles ChannelFiles(const std::string& deviceFolder, std::uint32_t channel,
                                           std::optional<std::uint32_t> negativeChannel = std::nullopt);

// The channel's scale cannot be chosen: no scale_available of its own or shared, and a scale attribute
// that is absent or read-only (as sysfs shows an attribute without a store method).
[[nodiscard]] bool HasFixedScale(const IioChannelFiles& channel);

} // namespace slabcal
