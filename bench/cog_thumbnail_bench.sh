#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# velmora thumbnail beside vipsthumbnail on a large COG with overviews (the
# one bench/raster_bench.py makes), taking turns, best of RUNS, with peak
# resident memory; then velmora info of the same file.
#
#   bench/cog_thumbnail_bench.sh [BUILD_DIR] [COG]     (RUNS=5, SIZE=256)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
cog=${2:-/tmp/velmora-raster-bench/cog_uint8_40000.tif}
tool=$build/tools/velmora
runs=${RUNS:-5}
size=${SIZE:-256}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -f "$cog" ]; then
    PYTHONPATH=$build/python /usr/bin/python3 "$(dirname "$0")/raster_bench.py" "$(dirname "$cog")" >/dev/null
fi
cat "$cog" >/dev/null  # both read from the page cache

# shellcheck source=bench_lib.sh
. "$(dirname "$0")/bench_lib.sh"

v=$(best "$tool" thumbnail "$cog" "$work/v.png" --size "$size")
p=$(best vipsthumbnail "$cog" --size "$size" -o "$work/p.png")
echo "$(basename "$cog") thumbnail --size $size, best of $runs: velmora $v s, vipsthumbnail $p s," \
     "ratio $(echo "$v $p" | awk '{printf "%.2f", $1 / $2}');" \
     "peak MB velmora $(peak "$tool" thumbnail "$cog" "$work/v.png" --size "$size")" \
     "vips $(peak vipsthumbnail "$cog" --size "$size" -o "$work/p.png")"
echo "info: $(best "$tool" info "$cog") s, peak $(peak "$tool" info "$cog") MB"
