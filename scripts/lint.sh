#!/usr/bin/env bash
# Checks the naming scheme of .clang-tidy (readability-identifier-naming) on every source under src/,
# against the compile commands of a configured build (default build/ci-default). Exits non-zero on any
# name that breaks it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci-default}
[ -f "$build/compile_commands.json" ] || { echo "configure $build first (cmake --preset ci-default)" >&2; exit 2; }
find src -name '*.cpp' -print0 |
  xargs -0 -P"$(nproc)" -n8 clang-tidy -p "$build" --quiet \
    --checks='-*,readability-identifier-naming' --warnings-as-errors='readability-identifier-naming' 2>/dev/null
echo "naming: every name under src/ follows the scheme"
