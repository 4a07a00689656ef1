#!/usr/bin/env bash
# The library as an outside program sees it: install the build into a temporary prefix, check that
# every installed header compiles on its own and so do the guide's snippets, then build each example from outside the tree twice,
# once through find_package and once through pkg-config alone, run it headless and hold its frame
# to the example's golden image.
#   tests/package/install_and_build_examples.sh BUILD_DIR WORK_DIR CXX GOLDEN_COMPARE EXAMPLE...
set -euo pipefail
build=$1 work=$2 cxx=$3 compare=$4
shift 4
examples=("$@")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cd "$source_dir"

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
echo "package: installing $build into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

include_dir=$prefix/include/verlet_spring
headers=$(cd "$include_dir" && find . -name '*.h' | sed 's|^\./||' | sort)
echo "package: $(echo "$headers" | wc -l) headers; each must compile on its own"
failed=0
for header in $headers; do
    if ! echo "#include \"$header\"" | "$cxx" -std=c++20 -fsyntax-only -I"$include_dir" -x c++ - 2>"$work/header.log"; then
        echo "package: $header does not compile on its own:" >&2
        cat "$work/header.log" >&2
        failed=1
    fi
done
[ "$failed" = 0 ]
tests/package/compile_guide_snippets.sh docs/using-the-library.md "$cxx" "$include_dir" "$work/guide_snippets"

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
echo "package: examples through find_package(verlet_spring)"
cmake -S examples -B "$work/find_package" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$prefix" "${launcher[@]}" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/find_package" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
for example in "${examples[@]}"; do
    tests/package/run_example.sh "$example" "$work/find_package/$example" "$work/frames/find_package/$example" "$compare"
done

echo "package: examples through pkg-config verlet_spring"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig${PKG_CONFIG_PATH:+:$PKG_CONFIG_PATH}"
read -r -a flags <<<"$(pkg-config --cflags --libs verlet_spring)"
mkdir -p "$work/pkg_config"
for example in "${examples[@]}"; do
    "$cxx" -std=c++20 -O1 "examples/$example/$example.cpp" -o "$work/pkg_config/$example" "${flags[@]}"
    tests/package/run_example.sh "$example" "$work/pkg_config/$example" "$work/frames/pkg_config/$example" "$compare"
done
# The script layer registers itself from a static object that nothing references; the package's
# link rules must keep it (linked whole), or text in an installed program loses shaping.
for binary in "$work"/find_package/"${examples[0]}" "$work"/pkg_config/"${examples[0]}"; do
    if ! nm -C "$binary" | grep " T ScriptShape(" >/dev/null; then
        echo "package: $binary lacks the script layer (platform_usp was not linked whole)" >&2
        exit 1
    fi
done
echo "package: ${#examples[@]} examples built against the installed copy both ways and match their goldens"
