#!/usr/bin/env python3
"""Writing rasters: velmora beside GDAL, each in its own process, one run:

  cog      velmora cog of a 6000 x 4000 RGB TIFF, Deflate, overviews, beside
           gdal_translate -of COG -co COMPRESS=DEFLATE (target <= 0.8x)
  float    a 6000 x 4000 float32 GeoTIFF written from numpy windows of 512
           rows, Deflate with the floating point predictor, beside rasterio
           (GDAL's Python bindings when rasterio is not importable) (<= 0.8x)
  big      a SIDE x SIDE uint8 COG written window by window (512 x 4096) under
           a 64 MB memory limit: peak resident memory (target <= 256 MB)

    PYTHONPATH=build/python /usr/bin/python3 bench/raster_writer_bench.py VELMORA_TOOL [WORK_DIR] [SIDE]
"""

import os
import resource
import subprocess
import sys
import tempfile
import time

import numpy as np
from osgeo import gdal

gdal.UseExceptions()
CHILD = r"""
import resource, sys, time
import numpy as np
task, lib, out, width, height = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
dtype = "float32" if task == "float" else "uint8"
def rows(top, n, left=0, cols=None):
    y = np.arange(top, top + n, dtype=np.int32)[:, None]
    x = np.arange(left, left + (cols or width), dtype=np.int32)[None, :]
    if dtype == "float32":
        return (300.0 + 1200.0 * np.sin(x / 700.0) * np.cos(y / 500.0)).astype(np.float32)
    return ((x * 7 + y * 3) % 251).astype(np.uint8)
# The big raster goes in windows of 512 x 4096, so the data made for one
# window stays small beside the memory limit.
cols = 4096 if task == "big" else width
start = time.perf_counter()
if lib == "velmora":
    import velmora
    if task == "big":
        velmora.set_memory_limit(64 << 20)
    with velmora.create_raster(out, width, height, 1, dtype, compress="deflate", cog=task == "big") as dst:
        for top in range(0, height, 512):
            n = min(512, height - top)
            for left in range(0, width, cols):
                c = min(cols, width - left)
                dst.write(rows(top, n, left, c), indexes=1, window=(left, top, c, n))
else:
    from osgeo import gdal
    gdal.UseExceptions()
    ds = gdal.GetDriverByName("GTiff").Create(out, width, height, 1, gdal.GDT_Float32,
                                              ["TILED=YES", "BLOCKXSIZE=512", "BLOCKYSIZE=512",
                                               "COMPRESS=DEFLATE", "PREDICTOR=3"])
    for top in range(0, height, 512):
        ds.GetRasterBand(1).WriteArray(rows(top, min(512, height - top)), 0, top)
    ds = None
print(time.perf_counter() - start, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0)
"""


def child(task, lib, out, width, height):
    result = subprocess.run([sys.executable, "-c", CHILD, task, lib, out, str(width), str(height)], check=True,
                            capture_output=True, text=True).stdout.split()
    return float(result[0]), float(result[1])


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, capture_output=True)
    return time.perf_counter() - start, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024.0


def rgb_source(work):
    path = os.path.join(work, "rgb_6000x4000.tif")
    if not os.path.exists(path):
        y, x = np.mgrid[0:4000, 0:6000]
        bands = [((x + y) // 3 % 256), ((x * 2 - y) // 5 % 256), ((x * y) // 97 % 256)]
        ds = gdal.GetDriverByName("GTiff").Create(path, 6000, 4000, 3, gdal.GDT_Byte, ["TILED=YES"])
        for b, data in enumerate(bands, 1):
            ds.GetRasterBand(b).WriteArray(data.astype(np.uint8))
        ds = None
    return path


def main():
    tool = sys.argv[1]
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="velmora-writer-bench-")
    side = int(sys.argv[3]) if len(sys.argv) > 3 else 40000
    if len(sys.argv) > 4:  # one part only: cog, float or big
        parts = set(sys.argv[4].split(","))
    else:
        parts = {"cog", "float", "big"}
    source = rgb_source(work)
    if "cog" in parts:
        cog_figures(tool, source, work)
    if "float" in parts:
        v = child("float", "velmora", os.path.join(work, "v_float.tif"), 6000, 4000)
        g = child("float", "gdal", os.path.join(work, "g_float.tif"), 6000, 4000)
        print(f"float   velmora {v[0]:.2f} s   gdal {g[0]:.2f} s   time ratio {v[0] / g[0]:.2f}x")
    if "big" in parts:
        v = child("big", "velmora", os.path.join(work, "v_big.tif"), side, side)
        print(f"big     velmora {side}x{side} COG {v[0]:.1f} s, peak resident {v[1]:.0f} MB")


def cog_figures(tool, source, work):
    v = timed([tool, "cog", source, os.path.join(work, "v_cog.tif"), "--quiet"])
    g = timed(["gdal_translate", "-q", "-of", "COG", "-co", "COMPRESS=DEFLATE", source, os.path.join(work, "g_cog.tif")])
    print(f"cog     velmora {v[0]:.2f} s   gdal_translate {g[0]:.2f} s   time ratio {v[0] / g[0]:.2f}x")
    # velmora predicts by default; GDAL does when asked: the same compression.
    p = timed(["gdal_translate", "-q", "-of", "COG", "-co", "COMPRESS=DEFLATE", "-co", "PREDICTOR=YES", source,
               os.path.join(work, "g_cog_pred.tif")])
    sizes = [os.path.getsize(os.path.join(work, n)) >> 20 for n in ("v_cog.tif", "g_cog.tif", "g_cog_pred.tif")]
    print(f"cog     with PREDICTOR=YES gdal_translate {p[0]:.2f} s   time ratio {v[0] / p[0]:.2f}x   "
          f"sizes {sizes[0]} / {sizes[1]} / {sizes[2]} MB")


if __name__ == "__main__":
    main()
