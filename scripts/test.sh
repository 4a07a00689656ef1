#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   scripts/test.sh              the normal build (build/)
#   scripts/test.sh --sanitize   the same tests under AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# Every option is given explicitly, so an earlier configuration of the same folder (by hand, or
# by scripts/demo.sh) cannot leave the tests switched off.
build_dir=build
options=(-DGFX_BUILD_TESTS=ON -DGFX_SANITIZE=OFF -DGFX_BUILD_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build-asan
    options=(-DGFX_BUILD_TESTS=ON -DGFX_SANITIZE=ON -DGFX_BUILD_BENCH=OFF)
fi
# Warnings are errors in CI; locally they stay warnings so work in progress still builds.
if [ "${CI:-}" = "true" ]; then
    options+=(-DGFX_WERROR=ON)
else
    options+=(-DGFX_WERROR=OFF)
fi

cmake -S . -B "$build_dir" -G Ninja "${options[@]}" >/dev/null
ninja -C "$build_dir"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 600
