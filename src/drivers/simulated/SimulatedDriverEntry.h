#pragma once

#include "platform/DriverEntry.h"

namespace slabcal {

// --device sim (the default): the simulated gauge, with --sim-control FILE, its control file.
extern const DriverEntry SimulatedDriverEntry;

} // namespace slabcal
