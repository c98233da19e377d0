#!/usr/bin/env bash
# Builds the Access reader's tests on damaged files (tst_accessfiles and the
# fuzzer tst_damageddatabases) under AddressSanitizer and
# UndefinedBehaviorSanitizer, and its test of sorted reads and queries side
# by side (tst_accessorder, whose rows are read ahead on a second thread)
# and a batch export of the command-line program depexport (rows read ahead
# while the progress bar draws on a terminal) under ThreadSanitizer, each in
# a build folder of its own, and runs them.
# Any sanitizer report ends the test process and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${SANITIZER_BUILD_DIR:-build-sanitizers}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1}

# run_sanitized <build folder> <sanitizers> <test targets...>
run_sanitized() {
  local dir=$1 sanitizers=$2
  shift 2
  local flags="-fsanitize=$sanitizers -fno-sanitize-recover=all -fno-omit-frame-pointer"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=$sanitizers" >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target "$@"
  ctest --test-dir "$dir" -R "^($(IFS='|'; echo "$*"))\$" --output-on-failure
}

run_sanitized "$build" address,undefined tst_accessfiles tst_damageddatabases
run_sanitized "$build-thread" thread tst_accessorder

# The three exports of a small register database by depexport under
# ThreadSanitizer; script(1) gives it a terminal, so the progress bar draws.
cmake --build "$build-thread" -j"$(nproc)" --target depexport make-register-db
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build-thread/bench/make-register-db" 20000 "$work/VelmarFaktura.mdb" --password quillet --unsigned
script -qefc "'$build-thread/app/depexport' --variant 0 --folder '$work' --password quillet \
  --from 2017-03-01 --to 2019-03-01 --export dep131,log,dep7" /dev/null
