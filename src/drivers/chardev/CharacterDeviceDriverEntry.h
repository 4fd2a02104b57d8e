#pragma once

#include "platform/DriverEntry.h"

namespace slabcal {

// --device /dev/NODE: a character device whose kernel driver implements the requests of <slabcal/spa1.h>.
extern const DriverEntry CharacterDeviceDriverEntry;

} // namespace slabcal
