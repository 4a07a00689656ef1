#!/usr/bin/env bash
# Installs what the OpenGL peer harness (../shared/peers/glscene) needs to build and run, so that
# the rasteriser's benchmark can be set beside Mesa's software renderers on the same machine.
# Only for measurement: nothing in the project builds against these packages.
# Idempotent: packages already present are left alone. Then builds the peer.
set -euo pipefail

packages=(gcc make libosmesa6-dev libpng-dev)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup-peers: installing ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "setup-peers: all ${#packages[@]} packages present"
fi

here=$(cd "$(dirname "$0")" && pwd)
peer="${GLSCENE_DIR:-$here/../../shared/peers/glscene}"
if [ -d "$peer" ]; then
    make -C "$peer"
    echo "setup-peers: built $peer/build/glscene"
else
    echo "setup-peers: peer harness not found at $peer (set GLSCENE_DIR)" >&2
    exit 1
fi
