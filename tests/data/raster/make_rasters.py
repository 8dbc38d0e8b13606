#!/usr/bin/python3
"""Writes the small GDAL-made TIFFs of this folder (run from anywhere; GDAL's
Python bindings needed). Each file exercises one layout, type or tag; the
Python raster test compares every one with GDAL's own reading."""
import os
import sys

import numpy as np
from osgeo import gdal, osr

gdal.UseExceptions()
HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 45, 30
TYPES = {
    "uint8": gdal.GDT_Byte, "uint16": gdal.GDT_UInt16, "int16": gdal.GDT_Int16,
    "uint32": gdal.GDT_UInt32, "int32": gdal.GDT_Int32, "uint64": gdal.GDT_UInt64,
    "int64": gdal.GDT_Int64, "float32": gdal.GDT_Float32, "float64": gdal.GDT_Float64,
    "cint16": gdal.GDT_CInt16, "cfloat32": gdal.GDT_CFloat32,
}


def values(dtype, bands, w, h, seed, lo=None, hi=None):
    rng = np.random.default_rng(seed)
    if dtype.startswith("c"):
        return rng.integers(-500, 500, (bands, h, w)).astype(np.int16)
    np_type = np.dtype(dtype)
    if np_type.kind == "f":
        lo, hi = lo if lo is not None else -1000.0, hi if hi is not None else 3000.0
        return rng.uniform(lo, hi, (bands, h, w)).astype(np_type)
    info = np.iinfo(np_type)
    lo = info.min if lo is None else lo
    hi = info.max if hi is None else hi
    return rng.integers(lo, hi, (bands, h, w), dtype=np_type, endpoint=True)


def write(name, dtype="uint8", bands=1, w=W, h=H, options=(), data=None, nodata=None, epsg=None,
          geotransform=(500000.0, 30.0, 0.0, 4100000.0, 0.0, -30.0), seed=1, metadata=None, band_setup=None,
          overviews=None, mask=None, sparse_tiles=False):
    path = os.path.join(HERE, name)
    if os.path.exists(path):
        os.remove(path)
    data = values(dtype, bands, w, h, seed) if data is None else data
    ds = gdal.GetDriverByName("GTiff").Create(path, w, h, bands, TYPES[dtype], list(options))
    if geotransform:
        ds.SetGeoTransform(geotransform)
    if epsg:
        srs = osr.SpatialReference()
        srs.ImportFromEPSG(epsg)
        ds.SetProjection(srs.ExportToWkt())
    if metadata:
        ds.SetMetadata(metadata)
    for b in range(bands):
        band = ds.GetRasterBand(b + 1)
        if nodata is not None:
            band.SetNoDataValue(nodata)
        if band_setup:
            band_setup(b, band)
        if not sparse_tiles:
            band.WriteArray(data[b])
    if sparse_tiles:
        # Only the top left tile holds data; the others stay unwritten.
        for b in range(bands):
            ds.GetRasterBand(b + 1).WriteArray(data[b][:16, :16])
    if mask is not None:
        ds.CreateMaskBand(gdal.GMF_PER_DATASET)
        ds.GetRasterBand(1).GetMaskBand().WriteArray(mask)
    if overviews:
        ds.BuildOverviews("NEAREST", overviews)
    ds = None
    return path


def main():
    gdal.SetConfigOption("GDAL_TIFF_INTERNAL_MASK", "YES")
    write("u8_strips.tif", options=["BLOCKYSIZE=7"], epsg=32633)
    write("u8_rgb_tiled_lzw.tif", bands=3, options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=LZW"])
    write("u8_rgba_planar_deflate.tif", bands=4,
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "INTERLEAVE=BAND", "COMPRESS=DEFLATE",
                   "PREDICTOR=2", "PHOTOMETRIC=RGB", "ALPHA=YES"])
    write("i8_packbits.tif", data=values("uint8", 1, W, H, 2), options=["PIXELTYPE=SIGNEDBYTE", "COMPRESS=PACKBITS"])
    dem = values("uint16", 1, W, H, 3, 300, 1566)
    write("u16_dem_deflate.tif", "uint16", data=dem, options=["COMPRESS=DEFLATE", "PREDICTOR=2", "BLOCKYSIZE=8"],
          epsg=32633, band_setup=lambda b, band: (band.SetDescription("elevation"), band.SetScale(0.5),
                                                  band.SetOffset(-10.0)))
    i16 = values("int16", 1, W, H, 4, -500, 2000)
    i16[0, 3:9, 5:20] = -9999
    write("i16_nodata_zstd.tif", "int16", data=i16, nodata=-9999,
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=ZSTD"], epsg=4326,
          geotransform=(10.0, 0.001, 0.0, 50.0, 0.0, -0.001))
    write("u32_planar_lzma.tif", "uint32", bands=3, options=["INTERLEAVE=BAND", "COMPRESS=LZMA", "BLOCKYSIZE=11"])
    write("i32_rgb_tiled.tif", "int32", bands=3, options=["TILED=YES", "BLOCKXSIZE=32", "BLOCKYSIZE=16"])
    write("u64_tiled.tif", "uint64", options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE"])
    write("i64_strips.tif", "int64", bands=2, options=["BLOCKYSIZE=5"])
    f32 = values("float32", 1, W, H, 5)
    f32[0, 10:14, 2:30] = np.nan
    write("f32_nan_nodata_pred3.tif", "float32", data=f32, nodata=float("nan"),
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=LZW", "PREDICTOR=3"])
    f32b = values("float32", 1, W, H, 6)
    f32b[0, 0:5, 0:5] = -9999.0
    write("f32_nodata_lerc.tif", "float32", data=f32b, nodata=-9999.0,
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=LERC", "MAX_Z_ERROR=0"])
    write("f64_planar_strips.tif", "float64", bands=3, options=["INTERLEAVE=BAND", "BLOCKYSIZE=4"])
    write("u16_be_tiled.tif", "uint16", bands=2, options=["ENDIANNESS=BIG", "TILED=YES", "BLOCKXSIZE=16",
                                                          "BLOCKYSIZE=16", "COMPRESS=LZW", "PREDICTOR=2"])
    write("f32_be_pred3.tif", "float32", options=["ENDIANNESS=BIG", "COMPRESS=DEFLATE", "PREDICTOR=3"])
    write("f16_half.tif", "float32", data=values("float32", 1, W, H, 7, -60000.0, 60000.0), options=["NBITS=16"])
    write("u16_12bit.tif", "uint16", bands=3, data=values("uint16", 3, W, H, 8, 0, 4095),
          options=["NBITS=12", "TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16"])
    write("u8_1bit.tif", data=values("uint8", 1, W, H, 9, 0, 1), options=["NBITS=1"])
    write("u32_24bit.tif", "uint32", data=values("uint32", 1, W, H, 10, 0, (1 << 24) - 1), options=["NBITS=24"])
    write("jpeg_ycbcr.tif", bands=3, options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=JPEG",
                                               "PHOTOMETRIC=YCBCR"])
    write("jpeg_gray.tif", options=["COMPRESS=JPEG", "BLOCKYSIZE=16"])
    write("webp_rgb.tif", bands=3, options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=WEBP",
                                            "WEBP_LOSSLESS=TRUE"])
    write("bigtiff_deflate.tif", "int16", bands=2, options=["BIGTIFF=YES", "TILED=YES", "BLOCKXSIZE=16",
                                                          "BLOCKYSIZE=16", "COMPRESS=DEFLATE"])
    write("sparse_nodata.tif", "int16", nodata=-32768, sparse_tiles=True,
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "SPARSE_OK=TRUE"])
    write("sparse_zero.tif", bands=3, sparse_tiles=True,
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "SPARSE_OK=TRUE", "COMPRESS=DEFLATE"])
    ov = values("uint16", 1, 100, 70, 11, 0, 4000)
    write("u16_overviews.tif", "uint16", w=100, h=70, data=ov, overviews=[2, 4, 8],
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE"])
    mask = np.full((70, 100), 255, np.uint8)
    mask[20:40, 30:77] = 0
    write("rgb_mask_overviews.tif", bands=3, w=100, h=70, mask=mask, overviews=[2, 4],
          options=["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE"])
    write("pixel_is_point.tif", metadata={"AREA_OR_POINT": "Point"}, epsg=32633)
    write("rotated.tif", geotransform=(1000.0, 2.0, 0.5, 2000.0, 0.25, -2.0), epsg=3857)
    write("no_georef.tif", geotransform=None, options=["PHOTOMETRIC=MINISBLACK"])
    write("cint16.tif", "cint16", geotransform=(0.0, 1.0, 0.0, 0.0, 0.0, -1.0))
    write("cfloat32.tif", "cfloat32", data=values("cint16", 1, W, H, 12).astype(np.complex64))
    return 0


if __name__ == "__main__":
    sys.exit(main())
