#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test the way CI does:
#   1. AddressSanitizer + UndefinedBehaviorSanitizer build, whole suite (Qt backend included);
#   2. ThreadSanitizer build, whole suite except the Qt backend (Debian's Qt is not built for it);
#   3. libFuzzer targets built with clang and fuzzed for FUZZ_SECONDS each (default 60);
#   4. the plain build with warnings as errors, whole suite; ctest's summary is the last line.
# `scripts/test.sh --quick` runs step 4 alone.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

suite() { # preset
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
  ctest --preset "$1" -j"$jobs" --timeout 600
}

if [ "${1:-}" != "--quick" ]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 suite ci-asan
  echo "== ThreadSanitizer"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" suite ci-tsan
  if [ -x fuzz/run-fuzzers.sh ]; then
    echo "== Fuzzing"
    fuzz/run-fuzzers.sh "${FUZZ_SECONDS:-60}"
  fi
fi
echo "== Plain build"
suite ci-default
