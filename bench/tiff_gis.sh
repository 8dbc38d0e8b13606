#!/usr/bin/env bash
# TIFFs as GIS users have them, read and written as BMP beside their peers in
# one run, the tools taking turns; each figure is the best of RUNS (2) as
# wall seconds, with peak resident memory:
#   a 6000 x 4000 RGB tiled Deflate COG -> BMP: velmora convert, gdal_translate,
#     vips copy (to BMP through ImageMagick, and to its own .v format);
#   the same COG with --memory-limit 64M (page-file mode: peak RSS beside the
#     image's row window);
#   a 16-bit and a float DEM (tiled Deflate, 6000 x 4000) -> BMP: velmora
#     convert (min..max stretch) against gdal_translate -scale -ot Byte.
#
#   bench/tiff_gis.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/velmora-tiff-gis}
runs=${RUNS:-2}
tool=$build/tools/velmora
mkdir -p "$work"
cd "$work"

# measure CMD...: "seconds peakKiB" of one run.
measure() {
    /usr/bin/time -f "%e %M" -o time.txt "$@" >/dev/null 2>&1
    cat time.txt
}

# best NAME CMD...: best of $runs, kept in RESULT_<NAME> as "seconds peakKiB".
declare -A best_s best_m
best() {
    local name=$1; shift
    local s m
    read -r s m < <(measure "$@")
    if [ -z "${best_s[$name]:-}" ] || awk -v a="$s" -v b="${best_s[$name]}" 'BEGIN { exit !(a < b) }'; then
        best_s[$name]=$s; best_m[$name]=$m
    fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }

if [ ! -f cog.tif ]; then
    "$build/bench/make_large_bmp" 6000 4000 scene.bmp 24
    gdal_translate -q -of COG -co COMPRESS=DEFLATE scene.bmp cog.tif
    # Elevation models: the scene's first band scaled to 16 bits and to metres.
    gdal_translate -q -b 1 -ot UInt16 -scale 0 255 0 65535 -co TILED=YES -co COMPRESS=DEFLATE scene.bmp dem16.tif
    gdal_translate -q -b 1 -ot Float32 -scale 0 255 -120.5 3050.25 -co TILED=YES -co COMPRESS=DEFLATE \
        -co PREDICTOR=3 scene.bmp demf.tif
    rm -f scene.bmp ./*.aux.xml
fi

for ((r = 0; r < runs; ++r)); do
    best ours "$tool" convert cog.tif ours.bmp
    best gdal gdal_translate -q -of BMP cog.tif gdal.bmp
    best vips_bmp vips copy cog.tif vips.bmp
    best vips_v vips copy cog.tif vips.v
    best ours64 "$tool" --memory-limit 64M convert cog.tif ours64.bmp
    best ours16 "$tool" convert dem16.tif ours16.bmp
    best gdal16 gdal_translate -q -scale -ot Byte -of BMP dem16.tif gdal16.bmp
    best oursf "$tool" convert demf.tif oursf.bmp
    best gdalf gdal_translate -q -scale -ot Byte -of BMP demf.tif gdalf.bmp
done
rm -f ./*.aux.xml

row() { printf "%-34s %8s s %8s MiB\n" "$1" "${best_s[$2]}" "$((best_m[$2] / 1024))"; }
echo "best of $runs; seconds and peak resident memory"
row "COG -> BMP  velmora" ours
row "COG -> BMP  gdal_translate" gdal
row "COG -> BMP  vips copy (ImageMagick BMP)" vips_bmp
row "COG -> .v   vips copy" vips_v
row "COG -> BMP  velmora --memory-limit 64M" ours64
row "DEM16 -> BMP velmora" ours16
row "DEM16 -> BMP gdal_translate -scale" gdal16
row "float DEM -> BMP velmora" oursf
row "float DEM -> BMP gdal_translate -scale" gdalf
echo "ratios (velmora / peer; below 1 is faster):"
echo "  COG: to gdal_translate $(ratio "${best_s[ours]}" "${best_s[gdal]}"), to vips BMP $(ratio "${best_s[ours]}" "${best_s[vips_bmp]}"), to vips .v $(ratio "${best_s[ours]}" "${best_s[vips_v]}")"
echo "  COG 64M: to gdal_translate $(ratio "${best_s[ours64]}" "${best_s[gdal]}"), to unlimited velmora $(ratio "${best_s[ours64]}" "${best_s[ours]}")"
echo "  DEM16: to gdal_translate $(ratio "${best_s[ours16]}" "${best_s[gdal16]}"); float DEM: $(ratio "${best_s[oursf]}" "${best_s[gdalf]}")"
