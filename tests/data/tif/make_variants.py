# Makes the TIFF variants of tests/data/tif/gen_* with GDAL, libtiff's tools
# and ImageMagick, and their reference decodings (peers' where a peer gives
# the library's rule, else the rule applied to the source array).
import os, subprocess, numpy as np
from osgeo import gdal
gdal.UseExceptions()
OUT = os.path.dirname(os.path.abspath(__file__)) if False else '.'
W, H = 97, 75
y, x = np.mgrid[0:H, 0:W]
rgb = np.stack([(x * 255 // (W - 1)), (y * 255 // (H - 1)), ((x + y) * 7) % 256]).astype(np.uint8)

def run(*args):
    subprocess.run(args, check=True, capture_output=True)

def write(name, bands, dtype, options, nodata=None):
    drv = gdal.GetDriverByName('GTiff')
    ds = drv.Create(name, W, H, len(bands), dtype, options)
    for i, b in enumerate(bands):
        band = ds.GetRasterBand(i + 1)
        band.WriteArray(b)
        if nodata is not None: band.SetNoDataValue(nodata)
    ds = None

def ppm(name, array):  # array: bands x H x W uint8
    if array.shape[0] == 1:
        open(name, 'wb').write(b'P5\n%d %d\n255\n' % (W, H) + array[0].astype(np.uint8).tobytes())
    else:
        open(name, 'wb').write(b'P6\n%d %d\n255\n' % (W, H) + np.transpose(array[:3], (1, 2, 0)).astype(np.uint8).tobytes())

def gdal_ref(src, ref):
    run('gdal_translate', '-q', '-of', 'PNM', src, ref)
    if os.path.exists(ref + '.aux.xml'): os.remove(ref + '.aux.xml')

# 8-bit RGB: tiles with edge tiles, bands in planes, BigTIFF (big-endian)
write('gen_rgb_tiled_edge.tif', rgb, gdal.GDT_Byte, ['TILED=YES', 'BLOCKXSIZE=32', 'BLOCKYSIZE=32', 'COMPRESS=DEFLATE', 'PREDICTOR=2'])
write('gen_rgb_band_strips.tif', rgb, gdal.GDT_Byte, ['INTERLEAVE=BAND', 'BLOCKYSIZE=7', 'COMPRESS=LZW'])
write('gen_rgb_band_tiled.tif', rgb, gdal.GDT_Byte, ['INTERLEAVE=BAND', 'TILED=YES', 'BLOCKXSIZE=16', 'BLOCKYSIZE=48'])
write('gen_rgb_bigtiff_be.tif', rgb, gdal.GDT_Byte, ['BIGTIFF=YES', 'ENDIANNESS=BIG', 'TILED=YES', 'BLOCKXSIZE=48', 'BLOCKYSIZE=16', 'COMPRESS=ZSTD'])
for n in ['gen_rgb_tiled_edge', 'gen_rgb_band_strips', 'gen_rgb_band_tiled', 'gen_rgb_bigtiff_be']:
    gdal_ref(n + '.tif', n + '.ref.ppm')
# RGBA and RGB plus a fourth band: the first three
alpha = ((x * 3 + y) % 256).astype(np.uint8)
write('gen_rgba_tiled.tif', list(rgb) + [alpha], gdal.GDT_Byte, ['TILED=YES', 'BLOCKXSIZE=32', 'BLOCKYSIZE=32', 'ALPHA=YES', 'PHOTOMETRIC=RGB'])
ppm('gen_rgba_tiled.ref.ppm', rgb)
# CMYK: libtiff's conversion (tiff2rgba) is the reference
cmyk = np.stack([rgb[0], rgb[1], rgb[2], (x % 64).astype(np.uint8)])
write('gen_cmyk.tif', cmyk, gdal.GDT_Byte, ['PHOTOMETRIC=CMYK', 'COMPRESS=DEFLATE'])
run('tiff2rgba', 'gen_cmyk.tif', 'cmyk_rgba.tif'); run('convert', 'cmyk_rgba.tif', '-alpha', 'off', '-depth', '8', 'ppm:gen_cmyk.ref.ppm'); os.remove('cmyk_rgba.tif')
# 16-bit unsigned: the high byte
g16 = (x * 677 + y * 311).astype(np.uint16)
write('gen_grey16_tiled.tif', [g16], gdal.GDT_UInt16, ['TILED=YES', 'BLOCKXSIZE=32', 'BLOCKYSIZE=16', 'COMPRESS=DEFLATE', 'PREDICTOR=2'])
ppm('gen_grey16_tiled.ref.pgm', (g16 >> 8)[None])
rgb16 = (rgb.astype(np.uint16) * 257 + np.uint16(100))
write('gen_rgb16_band.tif', rgb16, gdal.GDT_UInt16, ['INTERLEAVE=BAND', 'BLOCKYSIZE=10', 'PHOTOMETRIC=RGB'])
ppm('gen_rgb16_band.ref.ppm', (rgb16 >> 8))
# Float with NaN and the no-data value: the image's range onto 0..255, truncated
f = (np.sin(x / 9.0) * 300 + y * 4.5 - 100).astype(np.float32)
f[5:9, 10:20] = np.nan
f[30:33, 40:60] = -9999
write('gen_float_nan_nodata.tif', [f], gdal.GDT_Float32, ['TILED=YES', 'BLOCKXSIZE=32', 'BLOCKYSIZE=32', 'COMPRESS=LZW', 'PREDICTOR=3'], nodata=-9999)
valid = np.isfinite(f) & (f != np.float32(-9999))
lo, hi = float(f[valid].min()), float(f[valid].max())
level = np.where(valid, np.clip(np.floor((f.astype(np.float64) - lo) * 255.0 / (hi - lo)), 0, 255), 0)
ppm('gen_float_nan_nodata.ref.pgm', level[None])
# Signed 32-bit band-interleaved... one band in strips
i32 = (x * 100000 - y * 77777).astype(np.int32)
write('gen_int32.tif', [i32], gdal.GDT_Int32, ['BLOCKYSIZE=16', 'COMPRESS=DEFLATE'])
lo, hi = float(i32.min()), float(i32.max())
ppm('gen_int32.ref.pgm', np.floor((i32 - lo) * 255.0 / (hi - lo))[None])
# Orientation 2..8 set on a strip copy of the RGB picture; ImageMagick -auto-orient is the reference
run('gdal_translate', '-q', '-co', 'BLOCKYSIZE=9', '-co', 'COMPRESS=DEFLATE', 'gen_rgb_tiled_edge.tif', 'base.tif')
for o in range(2, 9):
    name = 'gen_orient%d' % o
    run('cp', 'base.tif', name + '.tif'); run('tiffset', '-s', '274', str(o), name + '.tif')
    run('convert', name + '.tif', '-auto-orient', '-depth', '8', 'ppm:' + name + '.ref.ppm')
os.remove('base.tif')
for f in os.listdir('.'):
    if f.endswith('.aux.xml'): os.remove(f)
