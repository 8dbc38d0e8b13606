#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the build needs on a Debian machine (only what is missing),
# and the build and test steps demo.sh, test.sh and CI share.
# Sourced by demo.sh and test.sh.
set -euo pipefail

VELMORA_PACKAGES=(cmake g++ make pkg-config libgtest-dev libtiff-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev)
# The Python binding: pybind11 against Debian's python3 and numpy.
VELMORA_PACKAGES+=(python3-dev pybind11-dev python3-numpy)
# The viewer's web server (header only).
VELMORA_PACKAGES+=(libcpp-httplib-dev)
# Peers the tests compare against.
VELMORA_TEST_PACKAGES=(imagemagick gdal-bin geotiff-bin man-db)
# FuzzedDataProvider.h, which the drawing fuzz harness's replay compiles with.
VELMORA_TEST_PACKAGES+=(libclang-common-14-dev)
# The Python tests: pytest, Pillow to compare with, Dask's distributed for batches.
VELMORA_TEST_PACKAGES+=(python3-pytest python3-pil python3-distributed)
# GDAL's Python bindings: the raster test compares every value with GDAL's reading.
VELMORA_TEST_PACKAGES+=(python3-gdal)
# Headless Chromium: the viewer's end-to-end test screenshots its page.
VELMORA_TEST_PACKAGES+=(chromium)
# ExifTool reads the Exif directory of saved TIFF files; with tiffcp it made the photo test files.
VELMORA_TEST_PACKAGES+=(libimage-exiftool-perl libtiff-tools)

# What a test build must be, whatever an earlier configure left in the cache
# (demo.sh leaves the tests off): every option that decides whether tests are
# built is given, never inherited.
VELMORA_TEST_BUILD_OPTIONS=(-DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_TOOLS=ON -DVELMORA_FUZZ=OFF
    -DBUILD_SHARED_LIBS=ON -DVELMORA_WERROR=ON)

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

# The viewer's scripts: OpenSeadragon from the npm registry, at the version
# web/package-lock.json pins, into web/node_modules (the build copies them).
velmora_install_viewer_scripts() {
    [ -f "$VELMORA_ROOT/web/node_modules/openseadragon/build/openseadragon/openseadragon.min.js" ] && return 0
    # A machine whose Node.js brings its own npm (NodeSource's) must not get
    # Debian's npm, which would pull Debian's older nodejs over it.
    command -v npm >/dev/null || velmora_install_missing npm
    npm ci --prefix "$VELMORA_ROOT/web" --no-audit --no-fund
}

# velmora_configure DIR [cmake options...]
velmora_configure() {
    local dir=$1
    shift
    cmake -S "$VELMORA_ROOT" -B "$dir" "$@" >/dev/null
}

# velmora_build DIR [cmake options...]
velmora_build() {
    velmora_configure "$@"
    cmake --build "$1" -j "$(nproc)"
}

# velmora_ctest DIR [ctest options...]: runs the build's tests and fails when
# one fails or when none ran (ctest itself exits 0 on "No tests were found").
velmora_ctest() {
    local dir=$1
    shift
    local log
    log=$(mktemp)
    local rc=0
    ctest --test-dir "$dir" "$@" 2>&1 | tee "$log" || rc=$?
    local ran
    ran=$(sed -n 's/.*tests failed out of \([0-9][0-9]*\).*/\1/p' "$log" | tail -n 1)
    rm -f "$log"
    [ "$rc" -eq 0 ] || return "$rc"
    if [ -z "$ran" ] || [ "$ran" -eq 0 ]; then
        echo "No test ran in $dir: failing rather than reporting success." >&2
        return 1
    fi
}

VELMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
