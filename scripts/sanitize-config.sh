# Sourced by hardening.sh and fuzz.sh: configures the clang build they share.
# Everything is built with AddressSanitizer and UndefinedBehaviorSanitizer
# (undefined behaviour stops the program) and with libFuzzer's coverage hooks,
# so the same objects serve the test suite and the fuzz targets.
sanitize_configure() {
  local build="$1"
  local flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -fsanitize=fuzzer-no-link"
  local launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DGAVELRY_WITH_ECHOLINK=ON -DGAVELRY_FUZZ=ON \
    "-DCMAKE_CXX_FLAGS=$flags" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" \
    "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
}
