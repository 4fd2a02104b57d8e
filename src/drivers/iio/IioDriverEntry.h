#pragma once

#include "platform/DriverEntry.h"

namespace slabcal {

// --device iio:NAME: a channel of an Industrial I/O converter, with --iio-settings FILE.
extern const DriverEntry IioDriverEntry;

} // namespace slabcal
