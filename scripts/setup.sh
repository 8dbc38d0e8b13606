#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (only what is missing).
# Sourced by demo.sh and test.sh.
set -euo pipefail

VELMORA_PACKAGES=(cmake g++ make pkg-config libgtest-dev libtiff-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev)
# Peers the tests compare against.
VELMORA_TEST_PACKAGES=(imagemagick gdal-bin geotiff-bin man-db)
# FuzzedDataProvider.h, which the drawing fuzz harness's replay compiles with.
VELMORA_TEST_PACKAGES+=(libclang-common-14-dev)

velmora_install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" ||
        { "${sudo[@]}" apt-get update && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"; }
}

# velmora_build DIR [cmake options...]
velmora_build() {
    local dir=$1
    shift
    cmake -S "$VELMORA_ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

VELMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
