#!/usr/bin/env bash
# Makes the README's pictures again: the program on the built-in simulator,
# in a real X session (Xvfb), each window drawn into docs/images/; and the
# web console's page as headless Chromium shows it to an operator, taken by
# the browser test while the talker is muted.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup.sh" --tests
if ! command -v xvfb-run >/dev/null 2>&1; then
  as_root=()
  [ "$(id -u)" -ne 0 ] && as_root=(sudo)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends xvfb xauth
fi
cmake --build "$build" -j2 --target make_screenshots gavelry gavelry-web browser_child
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1600x1200x24" \
  "$build/docs/screenshots/make_screenshots" "$here/docs/images"
/usr/bin/python3 "$here/tests/web/browser_console.py" --gavelry "$build/src/app/gavelry" \
  --child "$build/src/app/browser_child" --screenshot "$here/docs/images/web-console.png"
echo "Pictures in $here/docs/images"
