#pragma once

#include "platform/DriverEntry.h"

namespace slabcal {

// --device /dev/NODE: a character device whose kernel driver takes the converter's control codes.
extern const DriverEntry CharacterDeviceDriverEntry;

} // namespace slabcal
