#!/usr/bin/env bash
# Builds the Access reader's tests on damaged files (tst_accessfiles and the
# fuzzer tst_damageddatabases) under AddressSanitizer and
# UndefinedBehaviorSanitizer, in a build folder of their own, and runs them.
# Any sanitizer report ends the test process and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${SANITIZER_BUILD_DIR:-build-sanitizers}
targets=(tst_accessfiles tst_damageddatabases)
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
regex="^($(IFS='|'; echo "${targets[*]}"))\$"
ctest --test-dir "$build" -R "$regex" --output-on-failure
