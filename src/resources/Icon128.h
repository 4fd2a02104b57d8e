#pragma once

#include "framework/DialogTemplate.h"

namespace slabcal {

// The application icon: a gauge over a slab, measuring.
[[nodiscard]] IconResource Icon128();

} // namespace slabcal
