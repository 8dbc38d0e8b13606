#!/usr/bin/env bash
# Sets up, builds, and runs the command-line tool on the bundled samples.
set -euo pipefail
source "$(dirname "$0")/setup.sh"
velmora_install_missing "${VELMORA_PACKAGES[@]}"
velmora_build "$VELMORA_ROOT/build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF

tool="$VELMORA_ROOT/build/tools/velmora"
samples="$VELMORA_ROOT/tests/data"
out="$VELMORA_ROOT/build/demo"
mkdir -p "$out"

run() {
    echo "\$ velmora $*"
    "$tool" "$@"
    echo
}

run --version
run formats
