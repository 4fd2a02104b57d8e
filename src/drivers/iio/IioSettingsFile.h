#pragma once

#include "drivers/iio/IioSettings.h"

#include <string>
#include <string_view>

namespace slabcal {

// The IIO converter's settings file: one `key=value` a line; blank lines and lines starting with '#'
// skipped; blanks around key and value and CR line ends allowed. A key given twice takes its last value.
//
//   device=NAME|iio:deviceN   the device's name attribute, or its folder
//   channel=Y | X-Y           voltage channel, in_voltageY_raw, or the differential in_voltageX-voltageY_raw
//                             (each 0 to 4294967295)
//   small_scale=SCALE         scale written for the small range (code 8), e.g. 0.000298; > 0
//   large_scale=SCALE         scale written for the large range (code 9); > 0
//   sampling_frequency=HZ     written to the channel's sampling_frequency at open; > 0
//   input=unipolar|bipolar    how the channel's value becomes the gauge's counts (unipolar)
//   sysfs_root=FOLDER         where the iio:device folders are (/sys/bus/iio/devices)
//
// The keys found replace those fields of `settings`; the others keep their values. Any unknown key, line
// without '=' or bad value fails the whole file ("line N: ...") and leaves `settings` untouched, so a typo
// never drives the converter on a range nobody chose.
[[nodiscard]] bool ParseIioSettings(std::string_view text, IioSettings& settings, std::string& error);

// The same from a file (a regular file of at most 64 KiB, read without blocking); errors start with the
// path.
[[nodiscard]] bool ReadIioSettingsFile(const std::string& path, IioSettings& settings, std::string& error);

} // namespace slabcal
