#pragma once

#include "storage/StoreResult.h"

#include <ostream>

namespace slabcal {

// Readable GoogleTest output for the outcome of a save. Header only: the support library links no storage.
inline void PrintTo(const StoreOutcome& outcome, std::ostream* out) {
    StoreResult result;
    result.outcome = outcome;
    *out << result.Describe();
}

inline void PrintTo(const StoreResult& result, std::ostream* out) {
    *out << result.Describe();
}

} // namespace slabcal
