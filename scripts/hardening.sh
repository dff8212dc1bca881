#!/usr/bin/env bash
# The hardening run of CI: the whole test suite built with AddressSanitizer
# and UndefinedBehaviorSanitizer (clang), then every fuzz target for a
# bounded time. Run after scripts/test.sh.
#   bash scripts/hardening.sh [FUZZ_SECONDS]   (default 30 per target)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GAVELRY_SANITIZE_BUILD_DIR:-$here/build-sanitize}"
export GAVELRY_SANITIZE_BUILD_DIR="$build"
bash "$here/scripts/setup-hardening.sh"
source "$here/scripts/sanitize-config.sh"

t0=$(date +%s)
sanitize_configure "$build"
CCACHE_BASEDIR="$here" cmake --build "$build" -j2
t1=$(date +%s)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp:print_suppressions=0"
# Tests labelled no-sanitizer run only in the normal suite (see tests/CMakeLists.txt).
(cd "$build" && ctest --output-on-failure -j2 -LE no-sanitizer)
t2=$(date +%s)

bash "$here/scripts/fuzz.sh" "${1:-30}"
t3=$(date +%s)
echo "hardening: sanitizer build $((t1 - t0)) s, sanitizer suite $((t2 - t1)) s, fuzzing $((t3 - t2)) s"
