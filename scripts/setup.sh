#!/usr/bin/env bash
# Installs what Gavelry needs on Debian 12, then configures and builds it.
# With --tests also what only the test suite needs (the browser test's).
# Safe to run again: packages already present are not fetched twice, and the
# build is incremental.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_BUILD_DIR:-$here/build}"

packages=(
  build-essential cmake pkg-config python3 ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-svg-dev
  qt6-webengine-dev
  qt6-httpserver-dev qt6-websockets-dev libsodium-dev
  # DejaVu Sans is the font a Debian 12 desktop draws the windows in ("Sans
  # Serif" 9 pt); the caption test measures every caption in it.
  fonts-dejavu-core fonts-noto-color-emoji
  libspandsp-dev
  libecholib-dev libsigc++-2.0-dev libgsm1-dev libasynccore-dev libasynccpp-dev libasyncaudio-dev
  # The Debian package and its checks: cpack's dependency scan (file), Debian's
  # own checker, the units' checks and the system service's user (systemd),
  # the sandboxed run's system calls (strace).
  file lintian systemd strace
)
if [ "${1:-}" = "--tests" ]; then
  # The web console's test in a real browser: headless Chromium and Selenium.
  packages+=(chromium chromium-driver python3-selenium)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  # A fresh Debian 12 has sudo only when the installer set up a user without
  # a root password; minimal and container installs run as root instead.
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "These packages are missing: ${missing[*]}" >&2
      echo "Run the same command once as root (or install sudo) so that they can be installed." >&2
      exit 1
    fi
    as_root=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update
  # Through env: sudo drops the caller's environment.
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
