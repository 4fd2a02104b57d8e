#pragma once

#include "platform/FileResult.h"

#include <ostream>

namespace slabcal {

// Lets GoogleTest show "rename: Input/output error" instead of raw bytes when a result differs.
inline void PrintTo(const FileResult& result, std::ostream* out) {
    *out << result.Describe();
}

} // namespace slabcal
