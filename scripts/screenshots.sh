#!/usr/bin/env bash
# Makes the README's pictures again: the program on the built-in simulator,
# in a real X session (Xvfb), each window drawn into docs/images/.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup.sh"
if ! command -v xvfb-run >/dev/null 2>&1; then
  as_root=()
  [ "$(id -u)" -ne 0 ] && as_root=(sudo)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends xvfb xauth
fi
cmake --build "$build" -j2 --target make_screenshots
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1600x1200x24" \
  "$build/docs/screenshots/make_screenshots" "$here/docs/images"
echo "Pictures in $here/docs/images"
