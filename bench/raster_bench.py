#!/usr/bin/env python3
"""velmora.open_raster beside rasterio (GDAL's Python bindings when rasterio
is not importable), each in its own process, in one run:

  window   a 256 x 256 window of a 6000 x 4000 tiled Deflate GeoTIFF into
           numpy, the file opened afresh each time (target <= 0.8x the peer)
  dem      a whole Float32 6000 x 4000 DEM into numpy (target <= 0.8x)
  blocks   a block_windows loop over a large tiled uint8 COG under a 64 MB
           memory limit: peak resident memory (target <= 256 MB)

    PYTHONPATH=build/python /usr/bin/python3 bench/raster_bench.py [WORK_DIR] [COG_SIDE]

The files are made with GDAL in WORK_DIR (default: a temporary folder) and
kept there for the next run; they never belong in git.
"""

import os
import subprocess
import sys
import tempfile

import numpy as np
from osgeo import gdal

gdal.UseExceptions()

WINDOWS = 200
CHILD = r"""
import resource, sys, time
import numpy as np
task, lib, path = sys.argv[1], sys.argv[2], sys.argv[3]
if lib == "velmora":
    import velmora
    def windows(path, n):
        for k in range(n):
            with velmora.open_raster(path) as r:
                a = r.read(1, window=((k * 997) % 5700, (k * 613) % 3700, 256, 256))
        return a
    def whole(path):
        with velmora.open_raster(path) as r:
            return r.read(1)
    def blocks(path):
        velmora.set_memory_limit(64 << 20)
        total = 0
        with velmora.open_raster(path) as r:
            for _, w in r.block_windows(1):
                total += int(r.read(1, window=w).sum())
        return total
elif lib == "rasterio":
    import rasterio
    from rasterio.windows import Window
    def windows(path, n):
        for k in range(n):
            with rasterio.open(path) as r:
                a = r.read(1, window=Window((k * 997) % 5700, (k * 613) % 3700, 256, 256))
        return a
    def whole(path):
        with rasterio.open(path) as r:
            return r.read(1)
    def blocks(path):
        total = 0
        with rasterio.Env(GDAL_CACHEMAX=64):
            with rasterio.open(path) as r:
                for _, w in r.block_windows(1):
                    total += int(r.read(1, window=w).sum())
        return total
else:
    from osgeo import gdal
    gdal.UseExceptions()
    def windows(path, n):
        for k in range(n):
            ds = gdal.Open(path)
            a = ds.GetRasterBand(1).ReadAsArray((k * 997) % 5700, (k * 613) % 3700, 256, 256)
            ds = None
        return a
    def whole(path):
        return gdal.Open(path).GetRasterBand(1).ReadAsArray()
    def blocks(path):
        gdal.SetCacheMax(64 << 20)
        ds = gdal.Open(path)
        b = ds.GetRasterBand(1)
        bw, bh = b.GetBlockSize()
        total = 0
        for y in range(0, ds.RasterYSize, bh):
            for x in range(0, ds.RasterXSize, bw):
                total += int(b.ReadAsArray(x, y, min(bw, ds.RasterXSize - x), min(bh, ds.RasterYSize - y)).sum())
        return total
def cpu():
    u = resource.getrusage(resource.RUSAGE_SELF)
    return u.ru_utime + u.ru_stime
start, start_cpu = time.perf_counter(), cpu()
if task == "window":
    windows(path, int(sys.argv[4]))
elif task == "dem":
    whole(path)
else:
    blocks(path)
elapsed = time.perf_counter() - start
# The peak of this process since it began (ru_maxrss would carry the parent's over the exec).
peak = [line for line in open("/proc/self/status") if line.startswith("VmHWM:")][0].split()[1]
print(elapsed, int(peak) / 1024.0, cpu() - start_cpu)
"""


def make(path, width, height, dtype, options, fill):
    if os.path.exists(path):
        return path
    gtype = {"uint8": gdal.GDT_Byte, "float32": gdal.GDT_Float32}[dtype]
    ds = gdal.GetDriverByName("GTiff").Create(path + ".part", width, height, 1, gtype, options)
    ds.SetGeoTransform((500000.0, 10.0, 0.0, 4100000.0, 0.0, -10.0))
    band = ds.GetRasterBand(1)
    for top in range(0, height, 1024):
        rows = min(1024, height - top)
        band.WriteArray(fill(np.arange(top, top + rows)[:, None], np.arange(width)[None, :]).astype(dtype), 0, top)
    ds = None
    os.rename(path + ".part", path)
    return path


def make_cog(path, side):
    if os.path.exists(path):
        return path
    plain = make(path + ".src.tif", side, side, "uint8", ["TILED=YES", "BIGTIFF=IF_SAFER"],
                 lambda y, x: (x * 7 + y * 3) % 251)
    gdal.Translate(path, plain, format="COG", creationOptions=["COMPRESS=DEFLATE", "BLOCKSIZE=512",
                                                               "OVERVIEW_RESAMPLING=NEAREST", "BIGTIFF=IF_SAFER"])
    os.remove(plain)
    return path


def run(task, lib, path, *extra):
    out = subprocess.run([sys.executable, "-c", CHILD, task, lib, path, *map(str, extra)], check=True,
                         capture_output=True, text=True).stdout.split()
    return float(out[0]), float(out[1]), float(out[2])


def warm(path):
    # Both read from the page cache, whoever comes first.
    with open(path, "rb") as f:
        while f.read(16 << 20):
            pass


def peer():
    try:
        import rasterio  # noqa: F401
        return "rasterio"
    except ImportError:
        return "gdal"


def main():
    work = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp(prefix="velmora-raster-bench-")
    side = int(sys.argv[2]) if len(sys.argv) > 2 else 40000
    os.makedirs(work, exist_ok=True)
    tiled = make(os.path.join(work, "tiled_deflate_6000x4000.tif"), 6000, 4000, "uint8",
                 ["TILED=YES", "COMPRESS=DEFLATE"], lambda y, x: (x + 2 * y) % 253)
    dem = make(os.path.join(work, "dem_float32_6000x4000.tif"), 6000, 4000, "float32",
               ["TILED=YES", "COMPRESS=DEFLATE", "PREDICTOR=3"],
               lambda y, x: 300.0 + 1200.0 * np.sin(x / 700.0) * np.cos(y / 500.0))
    cog = make_cog(os.path.join(work, f"cog_uint8_{side}.tif"), side)
    other = peer()
    print(f"peer: {other}; files in {work}")
    for task, path, extra in [("window", tiled, [WINDOWS]), ("dem", dem, []), ("blocks", cog, [])]:
        warm(path)
        # Taking turns, the best of three each: the machine is shared.
        runs = [(run(task, "velmora", path, *extra), run(task, other, path, *extra)) for _ in range(3)]
        v = min((r[0] for r in runs), key=lambda f: f[0])
        p = min((r[1] for r in runs), key=lambda f: f[0])
        print(f"{task:7s} velmora {v[0]:.3f} s {v[1]:.0f} MB (cpu {v[2]:.2f} s)   "
              f"{other} {p[0]:.3f} s {p[1]:.0f} MB (cpu {p[2]:.2f} s)   time ratio {v[0] / p[0]:.2f}x "
              f"cpu ratio {v[2] / p[2]:.2f}x")


if __name__ == "__main__":
    main()
