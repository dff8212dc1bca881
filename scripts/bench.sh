#!/usr/bin/env bash
# Builds and runs the benchmarks; each prints its ratio against a floor
# measured in the same run.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_BUILD_DIR:-$here/build}"
bash "$here/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
for b in "$build"/bench/bench_*; do
  if [ -f "$b" ] && [ -x "$b" ]; then "$b"; fi
done
