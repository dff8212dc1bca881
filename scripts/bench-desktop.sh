#!/usr/bin/env bash
# The desktop benchmark: Gavelry beside a bare Qt window and qtel (Debian's
# EchoLink client) in one virtual X server. Installs Xvfb and qtel the first
# time, builds, and prints time to a visible window, memory and idle CPU.
#   bash scripts/bench-desktop.sh [RUNS]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup.sh"
missing=()
for p in xvfb xauth qtel libx11-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -ne 0 ] && as_root=(sudo)
  "${as_root[@]}" apt-get update
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  cmake -S "$here" -B "$build"
fi
cmake --build "$build" -j2 --target desktop_bench
# The web engine refuses to run as root inside its sandbox; the benchmark
# switches the sandbox off so that the page can be measured there too.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
unset QT_QPA_PLATFORM
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/desktop_bench" "$@"
