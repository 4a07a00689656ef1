#!/usr/bin/env bash
# Compiles every C++ snippet of a Markdown guide (each ```cpp block is one translation unit)
# against the given include folder, so the guide cannot drift from the headers.
#   tests/package/compile_guide_snippets.sh GUIDE.md CXX INCLUDE_DIR WORK_DIR
set -euo pipefail
guide=$1 cxx=$2 include_dir=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
awk -v dir="$work" '
    /^```cpp[ \t]*$/ { inside = 1; n++; file = sprintf("%s/snippet_%02d.cpp", dir, n); next }
    /^```/ && inside { inside = 0; close(file); next }
    inside { print > file }
' "$guide"
count=$(find "$work" -name 'snippet_*.cpp' | wc -l)
if [ "$count" -eq 0 ]; then
    echo "guide: no C++ snippets found in $guide" >&2
    exit 1
fi
failed=0
for snippet in "$work"/snippet_*.cpp; do
    if ! "$cxx" -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I"$include_dir" "$snippet"; then
        echo "guide: $(basename "$snippet") of $guide does not compile" >&2
        failed=1
    fi
done
[ "$failed" = 0 ]
echo "guide: $count snippets of $guide compile against $include_dir"
