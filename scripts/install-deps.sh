#!/usr/bin/env bash
# Installs the Debian packages slabcal needs to build, test and run, skipping what is already there.
# Usage: scripts/install-deps.sh [run|test|bench]
set -euo pipefail

# test: libfuse3-dev serves the IIO converter's live sysfs test tree through FUSE.
common=(cmake make g++ pkg-config qt6-base-dev libgl-dev fonts-wqy-microhei)
case "${1:-test}" in
  run) wanted=("${common[@]}" xvfb xauth) ;;
  test) wanted=("${common[@]}" libgtest-dev libgmock-dev clang-14 libclang-rt-14-dev locales libfuse3-dev) ;;
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
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
add_test_locale "${1:-test}"
