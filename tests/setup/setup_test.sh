#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The set-up guarantee test.sh and CI rely on: a test build is configured with
# the tests on whatever an earlier configure left in the cache, and a ctest
# run that ran no test is a failure. Usage: setup_test.sh WORK_DIR
set -euo pipefail
source "$(dirname "$0")/../../scripts/setup.sh"
work=$1
rm -rf "$work"
mkdir -p "$work/empty"

# A directory with no tests: ctest says "No tests were found" and exits 0;
# the shared step must fail.
if velmora_ctest "$work/empty" >/dev/null 2>&1; then
    echo "FAIL: a ctest run with no test passed" >&2
    exit 1
fi

# A cache left by the demo (tests off) is turned back to a test build.
velmora_configure "$work/build" -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_TOOLS=OFF -DVELMORA_BUILD_BENCH=OFF
velmora_configure "$work/build" "${VELMORA_TEST_BUILD_OPTIONS[@]}"
for option in VELMORA_BUILD_TESTS VELMORA_BUILD_TOOLS; do
    if ! grep -q "^$option:BOOL=ON$" "$work/build/CMakeCache.txt"; then
        echo "FAIL: $option is not ON after the test configure" >&2
        exit 1
    fi
done
listed=$(ctest --test-dir "$work/build" -N | sed -n 's/^Total Tests: \([0-9]*\)$/\1/p')
if [ -z "$listed" ] || [ "$listed" -eq 0 ]; then
    echo "FAIL: the test configure lists no test" >&2
    exit 1
fi
rm -rf "$work"
echo "set-up guarantee holds ($listed tests listed)"
