#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# velmora tiles beside vips dzsave on one 6000 x 4000 JPEG, JPEG tiles of 254
# pixels overlapping by 1, taking turns, best of RUNS; with peak resident
# memory. Then velmora view of a 20000 x 20000 BMP under --memory-limit 128M:
# the time from launch until it serves, and from the request to the answer
# for the whole-image tile (what OpenSeadragon asks first) and for a
# full-resolution tile, a fresh viewer each run, the slowest of RUNS (no
# peer makes a single tile of that file: vips's BMP reading refuses its size).
#
#   bench/tiles_bench.sh [BUILD_DIR] [WORK_DIR]     (RUNS=3)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/velmora-tiles}
here=$(cd "$(dirname "$0")" && pwd)
tool=$build/tools/velmora
runs=${RUNS:-3}
mkdir -p "$work"
cd "$work"
work=$PWD
# shellcheck source=bench_lib.sh
. "$here/bench_lib.sh"
before_run() { rm -rf out; }

[ -f plasma.jpg ] || convert -seed 7 -size 6000x4000 plasma:fractal -blur 0x1.2 -quality 90 plasma.jpg
v=$(best "$tool" tiles plasma.jpg out --quality 75)
p=$(best vips dzsave plasma.jpg out/plasma --suffix .jpg[Q=75])
echo "tiles of plasma.jpg 6000x4000, best of $runs (seconds): velmora $v  vips $p  ratio $(ratio "$v" "$p")" \
     " peak MB velmora $(peak "$tool" tiles plasma.jpg out --quality 75) vips $(peak vips dzsave plasma.jpg out/plasma --suffix .jpg[Q=75])"

# view_once: "launch whole full peakMB" in seconds for one fresh viewer.
# Level 8 (157 x 157) is the whole image; tile 39_39 of level 15 its middle.
view_once() {
    local start pid port url launch whole full hwm
    rm -f view.txt
    start=$(date +%s.%N)
    "$tool" --memory-limit 128M view big.bmp --port 0 --no-browser >view.txt 2>&1 &
    pid=$!
    until grep -qs serving view.txt; do
        kill -0 "$pid" 2>/dev/null || { cat view.txt >&2; return 1; }
        sleep 0.02
    done
    launch=$(echo "$(date +%s.%N) $start" | awk '{printf "%.2f", $1 - $2}')
    port=$(grep -o '127.0.0.1:[0-9]*' view.txt | cut -d: -f2)
    url=http://127.0.0.1:$port/image_files
    whole=$(curl -s -o /dev/null -w %{time_total} "$url/8/0_0.jpg")
    full=$(curl -s -o /dev/null -w %{time_total} "$url/15/39_39.jpg")
    hwm=$(awk '/VmHWM/ {printf "%.0f", $2 / 1024}' "/proc/$pid/status")
    kill -TERM "$pid"
    wait "$pid" || true
    echo "$launch $whole $full $hwm"
}

[ -f big.bmp ] || "$build/bench/make_large_bmp" 20000 20000 big.bmp 24 >/dev/null
worst="0 0 0 0"
for _ in $(seq "$runs"); do
    worst=$(echo "$worst $(view_once)" | awk '{for (i = 1; i <= 4; ++i) printf "%s ", ($i > $(i + 4)) ? $i : $(i + 4)}')
done
read -r launch whole full hwm <<<"$worst"
echo "view big.bmp 20000x20000 --memory-limit 128M, slowest of $runs (seconds): launch to serving $launch" \
     " whole-image tile $whole  full-resolution tile $full  (target 2)  peak MB $hwm"
