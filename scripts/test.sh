#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, then builds and runs every test: a normal build and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any
# failure, and when either build runs no test.
set -euo pipefail
source "$(dirname "$0")/setup.sh"
velmora_install_missing "${VELMORA_PACKAGES[@]}" "${VELMORA_TEST_PACKAGES[@]}"
velmora_install_viewer_scripts

jobs=$(nproc)
velmora_build "$VELMORA_ROOT/build" "${VELMORA_TEST_BUILD_OPTIONS[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_SANITIZE=OFF
velmora_ctest "$VELMORA_ROOT/build" --output-on-failure -j "$jobs"

velmora_build "$VELMORA_ROOT/build-sanitize" "${VELMORA_TEST_BUILD_OPTIONS[@]}" -DCMAKE_BUILD_TYPE=Debug \
    -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    velmora_ctest "$VELMORA_ROOT/build-sanitize" --output-on-failure -j "$jobs"
echo "All tests passed (normal and sanitizer builds)."
