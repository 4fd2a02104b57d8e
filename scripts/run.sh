#!/usr/bin/env bash
# Installs what is missing, builds slabcal and starts it. Arguments go to the program, e.g.
#   scripts/run.sh --root ~/gauge --device sim
# Without a display (no DISPLAY or WAYLAND_DISPLAY) it runs under xvfb-run; see README for VNC.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
cmake --preset default -DSLABCAL_BUILD_TESTS=OFF >/dev/null
cmake --build --preset default -j"$(nproc)" --target slabcal

program=build/default/src/app/slabcal
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] \
   && [[ " $* " != *" -platform "* ]]; then
  echo "No display: running under xvfb-run (the window is not visible; use -platform vnc to see it)."
  exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
