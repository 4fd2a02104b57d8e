#!/usr/bin/env bash
# Builds the Debian package from a configured and built preset (default ci-default) with CPack and checks
# that its dependencies include Qt (read from the window plugin); then, with --install, installs it with
# apt-get and starts the installed program: its version, a subcommand, and a headless run (the window
# plugin) on a scratch device root without a converter, the probe, and the installed converter header.
#   scripts/package.sh [PRESET] [--install]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-ci-default}
build=build/$preset
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/slabcal_*.deb)
echo "package: $package"
dpkg-deb --field "$package" Package Version Architecture Depends
# The certificate cannot be drawn without its font: the package must pull it in, not merely suggest it.
if ! dpkg-deb --field "$package" Depends | grep -qw fonts-wqy-microhei; then
  echo "package.sh: $package does not depend on fonts-wqy-microhei" >&2
  exit 1
fi
# The boxes' Yes/No buttons are Chinese only with Qt's translations.
if ! dpkg-deb --field "$package" Depends | grep -qw qt6-translations-l10n; then
  echo "package.sh: $package does not depend on qt6-translations-l10n" >&2
  exit 1
fi
# The program links no Qt: only the window plugin brings Qt into the dependencies.
depends=$(dpkg-deb --field "$package" Depends)
[[ $depends == *libqt6widgets6* ]] ||
  { echo "package.sh: the package does not depend on Qt: dpkg-shlibdeps missed the window plugin" >&2; exit 1; }
# What the board needs besides the program: the service, the converter's settings, the udev rule example,
# the copyright and the changelog.
contents=$(dpkg-deb -c "$package")
for file in ./usr/lib/systemd/system/slabcal.service ./etc/slabcal/iio.conf \
            ./usr/share/doc/slabcal/examples/99-slabcal.rules ./usr/share/doc/slabcal/copyright \
            ./usr/share/doc/slabcal/changelog.gz; do
  grep -q " $file\$" <<<"$contents" || { echo "package.sh: $package lacks $file" >&2; exit 1; }
done
if [ "${2:-}" = "--install" ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "./$package" >/dev/null
  root=$(mktemp -d)
  /usr/bin/slabcal --version
  /usr/bin/slabcal history --root "$root"
  /usr/bin/slabcal --headless --device none --root "$root"
  /usr/bin/slabcal probe --device sim --count 1
  rm -rf "$root"
  # The converter's header, as a kernel driver's writer includes it.
  printf '#include <slabcal/spa1.h>\n_Static_assert(sizeof(struct spa1_sample) == 5, "record");\nint main(void) { return SPA1_READ_SAMPLE == 0; }\n' |
    cc -x c -o /dev/null -
  # The service's own command line, offscreen instead of on the frame buffer, as the service's user: it
  # must start and keep running (no converter here: its box waits) until stopped.
  command=$(sed -n 's/^ExecStart=//p' /usr/lib/systemd/system/slabcal.service)
  command=${command/-platform linuxfb/-platform offscreen}
  status=0
  output=$(cd /var/lib/slabcal && timeout 5 $sudo runuser -u slabcal -- $command 2>&1) || status=$?
  if [ "$status" -ne 124 ] || ! grep -q "Parameter file: /var/lib/slabcal/NandFlash/ZPQ.ini" <<<"$output"; then
    echo "package.sh: the service's command line did not keep running as slabcal (status $status):" >&2
    echo "$output" >&2
    exit 1
  fi
  echo "installed and started: /usr/bin/slabcal, and the service's command line as slabcal"
fi
