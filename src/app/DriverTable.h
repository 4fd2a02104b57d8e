#pragma once

#include "platform/DriverEntry.h"

#include <span>

namespace slabcal {

// Every converter driver the command line can choose, in the order --help lists them; the first is the
// default. A new driver is its folder's DriverEntry and one line here.
[[nodiscard]] std::span<const DriverEntry* const> ConverterDrivers();

// --device none: no converter at all, as on a board without the driver.
extern const DriverEntry NoDriverEntry;

} // namespace slabcal
