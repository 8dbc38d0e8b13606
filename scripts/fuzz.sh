#!/usr/bin/env bash
# Fuzzes one harness for a while (never part of the tests): builds the clang
# fuzz tree if needed, then runs the harness at the lowest priority over a
# working corpus seeded from tests/fuzz/corpus/<inputs>, with its dictionary.
# Findings land in build-fuzz/runs/<harness>/art/.
#   scripts/fuzz.sh <harness> <inputs> <seconds> [extra libFuzzer flags]
#   e.g. scripts/fuzz.sh tiff_read_fuzzer tif 1800
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
harness=$1 inputs=$2 seconds=$3
shift 3
build="$root/build-fuzz"
if [ ! -x "$build/tests/fuzz/$harness" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DVELMORA_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF \
        -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_TOOLS=OFF >/dev/null
    cmake --build "$build" -j2 --target "$harness"
fi
run="$build/runs/$harness"
mkdir -p "$run/corpus" "$run/art"
# One dictionary per format: corpus/gif_lzw takes dict/gif.dict.
dict=()
[ -f "$root/tests/fuzz/dict/${inputs%%_*}.dict" ] && dict=(-dict="$root/tests/fuzz/dict/${inputs%%_*}.dict")
cd "$run"
exec nice -n 19 "$build/tests/fuzz/$harness" -jobs=1 -workers=1 -max_total_time="$seconds" -max_len=65536 \
    -timeout=120 -rss_limit_mb=2048 -malloc_limit_mb=1024 -artifact_prefix="$run/art/" -print_final_stats=1 \
    "${dict[@]}" "$@" "$run/corpus" "$root/tests/fuzz/corpus/$inputs"
