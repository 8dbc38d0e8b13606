#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# velmora thumbnail beside vipsthumbnail on the same files, taking turns,
# best of RUNS; then both thumbnails' PSNR against the exact area average
# (thumbnail_quality.py), and velmora info beside a full read (convert to
# BMP) and vipsheader, with peak resident memory.
#
#   bench/thumbnail_bench.sh [BUILD_DIR] [WORK_DIR]     (RUNS=5, SIZE=256)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/velmora-thumbs}
here=$(cd "$(dirname "$0")" && pwd)
tool=$build/tools/velmora
runs=${RUNS:-5}
size=${SIZE:-256}
mkdir -p "$work"
cd "$work"
work=$PWD
# shellcheck source=bench_lib.sh
. "$here/bench_lib.sh"

# Inputs: a synthetic picture with rings and a grid (hard to reduce without
# aliasing) and a photograph-like plasma; 6000 x 4000, 24-bit.
[ -f rings.bmp ] || "$build/bench/make_large_bmp" 6000 4000 rings.bmp 24 >/dev/null
[ -f plasma.bmp ] || convert -seed 7 -size 6000x4000 plasma:fractal -blur 0x1.2 -type TrueColor BMP3:plasma.bmp
for name in rings plasma; do
    [ -f $name.tif ] || convert $name.bmp -compress none $name.tif
    [ -f $name.png ] || convert $name.bmp -define png:compression-level=1 $name.png
    [ -f $name.jpg ] || convert $name.bmp -quality 90 $name.jpg
done

echo "thumbnail --size $size, best of $runs (seconds), velmora / vipsthumbnail"
for name in rings plasma; do
    for ext in bmp tif png jpg; do
        v=$(best "$tool" thumbnail $name.$ext velmora_$name.$ext.tif --size "$size")
        p=$(best vipsthumbnail $name.$ext --size "$size" -o "$work/vips_$name.$ext.tif")
        echo "$name.$ext  velmora $v  vips $p  ratio $(echo "$v $p" | awk '{printf "%.2f", $1 / $2}')" \
             "  peak MB velmora $(peak "$tool" thumbnail $name.$ext velmora_$name.$ext.tif --size "$size")" \
             "vips $(peak vipsthumbnail $name.$ext --size "$size" -o "$work/vips_$name.$ext.tif")"
    done
    /usr/bin/python3 "$here/thumbnail_quality.py" $name.bmp velmora_$name.bmp.tif vips_$name.bmp.tif
done

echo "info (headers only) against a full read (convert to BMP), best of $runs (seconds)"
for name in rings plasma; do
    for ext in bmp tif png jpg; do
        i=$(best "$tool" info $name.$ext)
        f=$(best "$tool" convert $name.$ext full.bmp)
        h=$(best vipsheader $name.$ext)
        echo "$name.$ext  info $i  full read $f  ratio $(echo "$i $f" | awk '{printf "%.3f", $1 / ($2 > 0 ? $2 : 0.001)}')" \
             "  vipsheader $h  peak MB info $(peak "$tool" info $name.$ext) full $(peak "$tool" convert $name.$ext full.bmp)"
    done
done
