#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# velmora tiles beside vips dzsave on one 6000 x 4000 JPEG, JPEG tiles of 254
# pixels overlapping by 1, taking turns, best of RUNS; with peak resident
# memory.
#
#   bench/tiles_bench.sh [BUILD_DIR] [WORK_DIR]     (RUNS=3)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/velmora-tiles}
tool=$build/tools/velmora
runs=${RUNS:-3}
mkdir -p "$work"
cd "$work"

# best CMD...: the best wall time of $runs runs, in seconds.
best() {
    local b=999999 t
    for _ in $(seq "$runs"); do
        rm -rf out
        /usr/bin/time -f %e -o time.txt "$@" >/dev/null 2>&1
        t=$(tail -n 1 time.txt)
        b=$(echo "$t $b" | awk '{print ($1 < $2) ? $1 : $2}')
    done
    echo "$b"
}
# peak CMD...: peak resident memory in MB.
peak() {
    rm -rf out
    /usr/bin/time -f %M -o time.txt "$@" >/dev/null 2>&1
    tail -n 1 time.txt | awk '{printf "%.0f", $1 / 1024}'
}

[ -f plasma.jpg ] || convert -seed 7 -size 6000x4000 plasma:fractal -blur 0x1.2 -quality 90 plasma.jpg
v=$(best "$tool" tiles plasma.jpg out --quality 75)
p=$(best vips dzsave plasma.jpg out/plasma --suffix .jpg[Q=75])
echo "tiles of plasma.jpg 6000x4000, best of $runs (seconds): velmora $v  vips $p" \
     " ratio $(echo "$v $p" | awk '{printf "%.2f", $1 / $2}')" \
     " peak MB velmora $(peak "$tool" tiles plasma.jpg out --quality 75) vips $(peak vips dzsave plasma.jpg out/plasma --suffix .jpg[Q=75])"
