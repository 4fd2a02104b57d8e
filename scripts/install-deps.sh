#!/usr/bin/env bash
# Installs the Debian packages slabcal needs to build, test and run, skipping what is already there.
# Usage: scripts/install-deps.sh [run|test|bench]
set -euo pipefail

# test: libfuse3-dev serves the IIO converter's live sysfs test tree through FUSE; clang-tidy checks the
# naming; dpkg-dev (dpkg-shlibdeps) and file (CPack's look at the binaries) make the package; the arm64 compiler, libraries and qemu-user build
# the board's binaries and run their tests; Google Benchmark and GSL let the plain build compile bench/,
# so a benchmark cannot fall behind the code it measures.
# Qt Charts draws the calibration curve (its CMake package needs the Qt OpenGL one); nlohmann-json, Nettle and CLI11 serve the
# calibration records and the subcommands; qt6-translations-l10n gives the boxes' Yes/No in Chinese; poppler-utils (pdftotext) reads back the certificates.
common=(cmake make g++ pkg-config qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev fonts-wqy-microhei nlohmann-json3-dev
        nettle-dev libcli11-dev qt6-translations-l10n)
arm64=(g++-aarch64-linux-gnu qemu-user qt6-base-dev:arm64 qt6-charts-dev:arm64 libqt6opengl6-dev:arm64 libgl-dev:arm64 nettle-dev:arm64
       libgtest-dev:arm64 libgmock-dev:arm64)
case "${1:-test}" in
  run) wanted=("${common[@]}" xvfb xauth) ;;
  test) wanted=("${common[@]}" libgtest-dev libgmock-dev clang-14 libclang-rt-14-dev clang-tidy locales libfuse3-dev
                dpkg-dev file poppler-utils libbenchmark-dev libgsl-dev "${arm64[@]}") ;;
  bench) wanted=("${common[@]}" libgtest-dev libbenchmark-dev libgsl-dev) ;;
  *) echo "usage: $0 [run|test|bench]" >&2; exit 2 ;;
esac

# The tests read typed numbers under a locale with a decimal comma.
add_test_locale() {
  [ "${1:-test}" = test ] || return 0
  locale -a 2>/dev/null | grep -qx 'de_DE.utf8' && return 0
  echo "Generating the de_DE.UTF-8 locale"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [[ " ${missing[*]}" == *":arm64"* ]] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $sudo dpkg --add-architecture arm64
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
add_test_locale "${1:-test}"
