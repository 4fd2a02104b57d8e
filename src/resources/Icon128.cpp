#include "resources/Icon128.h"

#include "resources/ControlIds.h"

namespace slabcal {

std::span<const uint8_t> Icon128Png(); // embedded from Icon128.png at build time

IconResource Icon128() {
    return {ids::AppIcon, Icon128Png()};
}

} // namespace slabcal
