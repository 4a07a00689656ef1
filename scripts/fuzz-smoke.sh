#!/usr/bin/env bash
# A short smoke run of the decoder fuzzers (clang, libFuzzer, ASan+UBSan): each target runs for a
# few seconds from the checked-in regression inputs. A crash fails the run and leaves its input in
# build-fuzz/crashes/ to be kept as a regression fixture.
#   scripts/fuzz-smoke.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
seconds=${1:-20}
targets=(tex_decode_fuzzer tex_jpeg_fuzzer tex_png_fuzzer)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DGFX_FUZZ=ON -DGFX_SANITIZE=ON \
    -DGFX_BUILD_BENCH=OFF >/dev/null
ninja -C build-fuzz "${targets[@]}"

mkdir -p build-fuzz/crashes
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    cp tests/gfxutil/tex/fixtures/* "$corpus"/ 2>/dev/null || true
    rm -f "$corpus"/README.md
    echo "fuzz: $target for ${seconds}s"
    "build-fuzz/tests/gfxutil/tex/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
        -artifact_prefix=build-fuzz/crashes/ "$corpus" 2>&1 | tail -n 3
done
echo "fuzz: no crash in ${#targets[@]} targets"
