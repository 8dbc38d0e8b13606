#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Photos, each side by side with its peer in one run, taking turns, best of
# RUNS: `velmora thumbnail --size 256` of a 6000 x 4000 JPEG with EXIF
# Orientation 6 and an ICC profile beside vipsthumbnail (which turns it
# upright and keeps the profile too), and Image.resize of a 6000 x 4000 RGB
# image to 1500 x 1000 beside Pillow's LANCZOS resize (Python, the pixels
# already in memory for both).
#
#   bench/photo_bench.sh [BUILD_DIR] [WORK_DIR]     (RUNS=5)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=${2:-${TMPDIR:-/tmp}/velmora-photo}
tool=$build/tools/velmora
runs=${RUNS:-5}
mkdir -p "$work"
cd "$work"

best() {
    local b=999999 t
    for _ in $(seq "$runs"); do
        /usr/bin/time -f %e -o time.txt "$@" >/dev/null 2>&1
        t=$(tail -n 1 time.txt)
        b=$(echo "$t $b" | awk '{print ($1 < $2) ? $1 : $2}')
    done
    echo "$b"
}

# A photograph-like plasma stored sideways, as a phone held upright stores it.
[ -f photo6.jpg ] || /usr/bin/python3 - <<'PY'
import numpy as np
from PIL import Image, ImageCms
rng = np.random.default_rng(7)
small = rng.integers(0, 256, (40, 60, 3), dtype=np.uint8)
picture = Image.fromarray(small).resize((6000, 4000), Image.BICUBIC)
exif = Image.Exif()
exif[0x0112] = 6
icc = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
picture.transpose(Image.Transpose.ROTATE_90).save("photo6.jpg", quality=90, exif=exif.tobytes(), icc_profile=icc)
PY

echo "thumbnail --size 256 of a 6000 x 4000 JPEG, Orientation 6 + ICC, best of $runs (seconds)"
v=$(best "$tool" thumbnail photo6.jpg velmora_thumb.jpg --size 256)
p=$(best vipsthumbnail photo6.jpg --size 256 -o "$work/vips_thumb.jpg")
echo "velmora $v  vipsthumbnail $p  ratio $(echo "$v $p" | awk '{printf "%.2f", $1 / $2}')"
"$tool" info velmora_thumb.jpg | grep size
vipsheader vips_thumb.jpg

echo "Image.resize 6000 x 4000 RGB to 1500 x 1000, best of $runs (seconds)"
PYTHONPATH=$build/python /usr/bin/python3 - "$runs" <<'PY'
import sys, time
import numpy as np
from PIL import Image
import velmora
runs = int(sys.argv[1])
rng = np.random.default_rng(7)
pixels = np.asarray(Image.fromarray(rng.integers(0, 256, (40, 60, 3), dtype=np.uint8)).resize((6000, 4000), Image.BICUBIC))
ours, theirs = velmora.from_numpy(pixels), Image.fromarray(pixels)
def best(call):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return min(times)
v = best(lambda: ours.resize(1500, 1000))
p = best(lambda: theirs.resize((1500, 1000), Image.LANCZOS))
print(f"velmora {v:.3f}  Pillow LANCZOS {p:.3f}  ratio {v / p:.2f}")
PY
