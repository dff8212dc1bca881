#!/usr/bin/env bash
# Installs, builds and runs Gavelry on the built-in conference simulator:
# the windows where there is a display, otherwise the headless demo, which
# prints what the program does as it happens.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup.sh"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/src/app/gavelry" "$@"
fi
exec "$build/src/app/gavelry" --scenario "$here/scripts/demo.scn" --speed "${GAVELRY_DEMO_SPEED:-20}" "$@"
