#!/usr/bin/env bash
# Runs one example headless on its fixed schedule and holds the frame it writes to the example's
# golden image (examples/golden/<name>.png), with the golden-frame tests' tolerance.
#   tests/package/run_example.sh NAME PROGRAM OUTPUT_DIR GOLDEN_COMPARE
# Used for the examples built inside the tree and for those built against an installed copy.
set -euo pipefail
name=$1 program=$2 output=$3 compare=$4
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

args=()
case "$name" in
    spinning_mesh) frames=13; capture=12 ;;
    textured_quad) frames=1; capture=0; args=("$source_dir/data/062bois.jpg") ;;
    text_lines) frames=1; capture=0 ;;
    *) echo "run_example: no schedule for $name" >&2; exit 2 ;;
esac

rm -rf "$output"
WIN32_HEADLESS=1 WIN32_FRAMES=$frames WIN32_CAPTURE=$capture WIN32_CAPTURE_DIR="$output" \
    "$program" "${args[@]}"
"$compare" "$output/$(printf 'frame-%05d.png' "$capture")" "examples/golden/$name.png"
