#!/usr/bin/env bash
# Installs, builds and runs the whole test suite (no display needed).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup.sh" --tests
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j2
