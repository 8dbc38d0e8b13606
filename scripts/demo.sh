#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds, and runs the command-line tool on the bundled samples.
# (It turns the tests off in build/; scripts/test.sh turns them back on.)
set -euo pipefail
source "$(dirname "$0")/setup.sh"
velmora_install_missing "${VELMORA_PACKAGES[@]}"
velmora_install_viewer_scripts
velmora_build "$VELMORA_ROOT/build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_TOOLS=ON

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

# BMP: describe a sample, turn and flip it, and describe the result.
run info "$samples/bmp/rgb24.bmp"
run convert "$samples/bmp/rgb24.bmp" "$out/rgb24_right_flipped.bmp" --rotate right --flip vertical
run info "$out/rgb24_right_flipped.bmp"
run convert "$samples/bmp/pal8rle.bmp" "$out/pal8rle_inverted.bmp" --invert --rotate left
run info "$out/pal8rle_inverted.bmp"

# GIF: an 8-bit sample to GIF and back, and an interlaced GIF from another encoder to BMP.
run convert "$samples/bmp/pal8.bmp" "$out/pal8.gif"
run info "$out/pal8.gif"
run convert "$out/pal8.gif" "$out/pal8_from_gif.bmp" --flip horizontal
run convert "$samples/gif/treescap-interlaced.gif" "$out/treescap.bmp"
run info "$out/treescap.bmp"

# Draw: a thumbnail of a sample, stretched onto a small surface and saved.
run draw "$samples/bmp/rgb24.bmp" "$out/rgb24_thumbnail.bmp" --size 48x24

# TIFF: a palette sample to BMP, a BMP to TIFF and back.
run info "$samples/tif/pam_pal2.tif"
run convert "$samples/tif/pam_pal2.tif" "$out/pam_pal2.bmp"
run convert "$samples/bmp/rgb24.bmp" "$out/rgb24_left.tif" --rotate left
run info "$out/rgb24_left.tif"
run convert "$out/rgb24_left.tif" "$out/rgb24_left_back.bmp"

# JPEG: decode a sample to BMP, and save a palette BMP, turned, as a colour JPEG.
run convert "$samples/jpg/testorig.jpg" "$out/testorig.bmp"
run info "$out/testorig.bmp"
run convert "$samples/bmp/pal8.bmp" "$out/pal8_left.jpg" --rotate left
run info "$out/pal8_left.jpg"

# GeoTIFF: the key report of a big-endian GeoTIFF file, then its
# georeferencing carried onto another image, described and reported.
run geotiff "$samples/geotiff/gdal_utm33n_grey_be.tif"
run geotiff "$samples/geotiff/gdal_utm33n_grey_be.tif" --write "$out/rgb24_utm.tif" --image "$samples/bmp/rgb24.bmp"
run info "$out/rgb24_utm.tif"
run geotiff "$out/rgb24_utm.tif" --report "$out/rgb24_utm_keys.txt"

# PCX: a peer's 24-bit PCX to BMP, then an 8-bit PCX turned and saved as PCX again.
run info "$samples/pcx/marbles.pcx"
run convert "$samples/pcx/marbles.pcx" "$out/marbles.bmp"
run convert "$samples/pcx/ppm_8bit_w61.pcx" "$out/w61_left.pcx" --rotate left
run info "$out/w61_left.pcx"

# PNG: an interlaced indexed sample to BMP and back to PNG, turned on the way;
# an 8-bit BMP saved as PNG and read back.
run convert "$samples/png/basi3p08.png" "$out/basi3p08.bmp" --rotate left
run convert "$out/basi3p08.bmp" "$out/basi3p08_left.png"
run info "$out/basi3p08_left.png"
run convert "$samples/bmp/pal8.bmp" "$out/pal8.png"
run convert "$out/pal8.png" "$out/pal8_from_png.bmp"

# Batch: the palette samples turned and saved as TIFF into one folder, one progress bar.
run convert --to tif --out-dir "$out/batch" --rotate right "$samples"/bmp/pal{1,4,8,4rle,8rle}.bmp
# Contact sheet: every bundled BMP sample as a labelled thumbnail on one sheet
# (the few the library cannot read are crossed out and listed; exit status 1).
echo "\$ velmora contact-sheet $samples/bmp $out/contact_sheet.bmp"
"$tool" contact-sheet "$samples/bmp" "$out/contact_sheet.bmp" || true
echo
run info --json "$out/contact_sheet.bmp"
