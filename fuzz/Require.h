#pragma once

#include <cstdio>

namespace slabcal {

// A property of the code under fuzzing. A broken one names itself and traps, so that libFuzzer keeps the
// input as a crash and the corpus replay fails on it, with or without a sanitizer.
inline void Require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property broken: %s\n", property);
    std::fflush(stderr);
    __builtin_trap();
}

} // namespace slabcal
