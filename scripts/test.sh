#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test the way CI does:
#   1. AddressSanitizer + UndefinedBehaviorSanitizer build, whole suite (Qt backend included);
#   2. ThreadSanitizer build, whole suite except the Qt backend (Debian's Qt is not built for it);
#   3. libFuzzer targets built with clang and fuzzed for FUZZ_SECONDS each (default 60);
#   4. the aarch64 cross build, whole suite under qemu-aarch64, and its Debian package;
#   5. the plain build with warnings as errors, the benchmarks compiled too: the naming check, the amd64 Debian package installed and
#      started (the service's command line too, offscreen, as its user slabcal), then the whole suite; ctest's summary is the
#      last line.
# `scripts/test.sh --quick` runs step 5 alone.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

build() { # preset
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
}
run() { # preset
  ctest --preset "$1" -j"$jobs"
}

if [ "${1:-}" != "--quick" ]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
  build ci-asan
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run ci-asan
  echo "== ThreadSanitizer"
  build ci-tsan
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run ci-tsan
  echo "== Fuzzing"
  fuzz/run-fuzzers.sh "${FUZZ_SECONDS:-60}"
  echo "== aarch64 under qemu"
  build ci-arm64
  run ci-arm64
  scripts/package.sh ci-arm64
fi
echo "== Plain build"
build ci-default
scripts/lint.sh build/ci-default
scripts/package.sh ci-default --install
run ci-default
