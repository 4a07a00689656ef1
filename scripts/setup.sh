#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need, and nothing else.
# Idempotent: packages already present are left alone and only the missing ones are named.
set -euo pipefail

packages=(
    # toolchain and test frameworks
    g++ clang cmake ninja-build pkg-config ccache
    libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
    # the math benchmark's outside reference
    libglm-dev
    # platform stand-ins
    libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev libharfbuzz-dev libfribidi-dev libicu-dev
    # image decoding
    libjpeg62-turbo-dev libpng-dev zlib1g-dev
    # fonts: Arial's metric twin, a Korean fallback, and a face with Arabic and Hebrew for the
    # right-to-left text tests (Liberation Sans has Hebrew only)
    fonts-liberation2 fonts-nanum fonts-dejavu-core
    # headless display for the window tests, and input/screenshot helpers
    xvfb xdotool x11-apps
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#packages[@]} packages present"
    exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
else
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
