#pragma once

#include "drivers/iio/SysfsFiles.h"

#include <cstdint>
#include <optional>
#include <string>

namespace slabcal {

// Finds an IIO device under `root` (/sys/bus/iio/devices): "iio:deviceN" names its folder; anything else
// is matched against each iio:device folder's `name` attribute. A name two devices share is refused
// rather than one of them picked, since the other might be the converter wired to the probe. nullopt with
// `problem` set when there is no such device.
[[nodiscard]] std::optional<std::string> FindIioDeviceFolder(const std::string& root,
                                                             const std::string& device, SysfsFiles& files,
                                                             std::string& problem);

// The attribute paths of voltage channel Y in a device folder. The scale attributes may be the channel's
// own (in_voltageY_scale) or shared by all voltage channels (in_voltage_scale); the channel's own is taken
// when it exists.
struct IioChannelFiles {
    std::string raw;
    std::string scale;
    std::string scaleAvailable;
};
[[nodiscard]] IioChannelFiles ChannelFiles(const std::string& deviceFolder, std::uint32_t channel);

} // namespace slabcal
