#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30) on its
# seed corpus in fuzz/corpus/TARGET. Prints each target's executions and
# crashes; exits non-zero when any target crashed, naming the crash file.
#   bash scripts/fuzz.sh [SECONDS]
# Environment: GAVELRY_SANITIZE_BUILD_DIR (default build-sanitize), FUZZ_TARGETS
# (names to run, default all), FUZZ_ARGS (more libFuzzer options).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-30}"
build="${GAVELRY_SANITIZE_BUILD_DIR:-$here/build-sanitize}"
source "$here/scripts/sanitize-config.sh"
sanitize_configure "$build"
CCACHE_BASEDIR="$here" cmake --build "$build" -j2 --target fuzzers

# Libraries' process-long allocations (fonts in the whole-program target).
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/scripts/lsan.supp:print_suppressions=0}"

targets=(${FUZZ_TARGETS:-$(cd "$here/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')})
out="$build/fuzz-out"
mkdir -p "$out"
failed=0
printf '%-22s %12s %8s\n' target executions crashes
for t in "${targets[@]}"; do
  bin="$build/fuzz/$t"
  [ -x "$bin" ] || { echo "$t: not built (skipped)"; continue; }
  # Work on a copy so the repository's seed corpus stays small.
  work="$out/$t"
  rm -rf "$work"; mkdir -p "$work/corpus" "$work/artifacts"
  cp "$here/fuzz/corpus/$t/"* "$work/corpus/" 2>/dev/null || true
  log="$work/log.txt"
  rc=0
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" ${FUZZ_ARGS:-} "$work/corpus" >"$log" 2>&1 || rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  crashes=$(find "$work/artifacts" -type f | wc -l)
  printf '%-22s %12s %8s\n' "$t" "${execs:-?}" "$crashes"
  if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed=1
    echo "  $t failed (exit $rc); log: $log"
    find "$work/artifacts" -type f | sed 's/^/  crash file: /'
    grep -m3 -E 'ERROR|property failed|runtime error' "$log" | sed 's/^/  /' || true
  fi
done
exit "$failed"
