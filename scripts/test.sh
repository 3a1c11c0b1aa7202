#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal build (warnings as
# errors), a clang build with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzzers, and
# the Windows build with its tests under wine.
source "$(dirname "$0")/common.sh"

ensure_packages

echo "== Normal build"
build "$ROOT/build" -DFOLDANT_WERROR=ON
ctest --test-dir "$ROOT/build" --output-on-failure -j2

echo "== Sanitizer build"
build "$ROOT/build-asan" -DFOLDANT_WERROR=ON -DFOLDANT_SANITIZE=ON -DFOLDANT_FUZZ=ON \
    -DFOLDANT_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$ROOT/build-asan" --output-on-failure -j2

source "$ROOT/scripts/windows.sh"
windows_stage
