"""velmora.create_raster read back by GDAL: sample types x bands x
compressions written in a shuffled block order, COG validity by GDAL's
validator, overviews against a numpy downsample, profiles, and the bad
inputs that must leave no file."""

import os
import random

import numpy as np
import pytest
from osgeo import gdal
from osgeo_utils.samples import validate_cloud_optimized_geotiff as cog_validator

import velmora

gdal.UseExceptions()
GT = (300000.0, 10.0, 0.0, 5000000.0, 0.0, -10.0)


def values(dtype, shape, seed=1):
    rng = np.random.default_rng(seed)
    if np.dtype(dtype).kind == "f":
        return (rng.standard_normal(shape) * 1000).astype(dtype)
    info = np.iinfo(dtype)
    return rng.integers(max(info.min, -3000), min(info.max, 3000), shape, endpoint=True).astype(dtype)


def gdal_array(path):
    ds = gdal.Open(path)
    arr = ds.ReadAsArray()
    if ds.GetRasterBand(1).GetMetadataItem("PIXELTYPE", "IMAGE_STRUCTURE") == "SIGNEDBYTE":
        arr = arr.view(np.int8)
    return ds, arr.reshape(ds.RasterCount, ds.RasterYSize, ds.RasterXSize)


def write_shuffled(path, data, block=64, **kwargs):
    count, height, width = data.shape
    with velmora.create_raster(path, width, height, count, data.dtype, blocksize=block, **kwargs) as dst:
        windows = [(c, r, min(block, width - c), min(block, height - r))
                   for r in range(0, height, block) for c in range(0, width, block)]
        random.Random(5).shuffle(windows)
        for c, r, w, h in windows:
            dst.write(data[:, r:r + h, c:c + w], window=(c, r, w, h))


TYPES = ["uint8", "int8", "uint16", "int16", "uint32", "int32", "uint64", "int64", "float32", "float64"]
COMPRESSIONS = ["none", "deflate", "lzw", "zstd", "lzma", "lerc"]


@pytest.mark.parametrize("compress", COMPRESSIONS)
@pytest.mark.parametrize("dtype", TYPES)
@pytest.mark.parametrize("count", [1, 3])
def test_gdal_reads_back_every_sample(tmp_path, dtype, count, compress):
    if not velmora.compression_available(compress):
        pytest.skip(compress + " not in this libtiff")
    if compress == "lerc" and dtype in ("uint64", "int64"):
        pytest.skip("lerc has no 64-bit integers")
    data = values(dtype, (count, 150, 130))
    path = str(tmp_path / "out.tif")
    write_shuffled(path, data, compress=compress, geotransform=GT, crs_epsg=32633, nodata=0)
    ds, back = gdal_array(path)
    assert back.dtype == data.dtype
    np.testing.assert_array_equal(back, data)
    assert ds.GetGeoTransform() == GT
    assert ds.GetSpatialRef().GetAuthorityCode(None) == "32633"
    assert ds.GetRasterBand(1).GetNoDataValue() == 0
    assert os.listdir(tmp_path) == ["out.tif"]


@pytest.mark.parametrize("count", [1, 3])
def test_jpeg_and_webp_are_close_to_the_source(tmp_path, count):
    data = np.repeat(np.linspace(0, 255, 200, dtype=np.uint8)[None, None, :], 120, axis=1).repeat(count, 0)
    for compress in ["jpeg", "webp"] if count == 3 else ["jpeg"]:
        path = str(tmp_path / (compress + ".tif"))
        write_shuffled(path, data, compress=compress, quality=90)
        _, back = gdal_array(path)
        assert np.abs(back.astype(int) - data).mean() < 2


@pytest.mark.parametrize("dtype,blocksize,tiled", [("uint8", 256, True), ("float32", 128, True), ("int16", 32, False)])
def test_cog_validates_and_keeps_the_georeferencing(tmp_path, dtype, blocksize, tiled):
    data = values(dtype, (2, 700, 900))
    path = str(tmp_path / "cog.tif")
    write_shuffled(path, data, block=blocksize if tiled else 100, tiled=tiled, cog=tiled, geotransform=GT,
                   crs_epsg=4326, nodata=-1 if dtype != "uint8" else 255)
    ds, back = gdal_array(path)
    np.testing.assert_array_equal(back, data)
    if tiled:
        errors, warnings, _ = cog_validator.validate(path, full_check=True)
        assert errors == [] and warnings == []
        assert ds.GetRasterBand(1).GetOverviewCount() == len(velmora.open_raster(path).overviews())
    assert ds.GetSpatialRef().GetAuthorityCode(None) == "4326"


def reduce(level, step, resampling, nodata):
    """The reference: each output pixel from the step x step square it
    covers, cut at the edges; valid samples averaged, rounded half up."""
    h, w = -(-level.shape[0] // step), -(-level.shape[1] // step)
    out = np.empty((h, w), level.dtype)
    for y in range(h):
        for x in range(w):
            if resampling == "nearest":
                out[y, x] = level[min(y * step + step // 2, level.shape[0] - 1),
                                  min(x * step + step // 2, level.shape[1] - 1)]
                continue
            square = level[y * step:(y + 1) * step, x * step:(x + 1) * step].astype(np.float64).ravel()
            square = square[(square != nodata) & ~np.isnan(square)]
            mean = square.mean() if square.size else nodata
            out[y, x] = mean if level.dtype.kind == "f" else np.floor(mean + 0.5)
    return out


@pytest.mark.parametrize("dtype,resampling,factors", [
    ("uint8", "average", None), ("int16", "nearest", [2, 4]), ("float32", "average", [3, 9]),
])
def test_overviews_match_a_reference_downsample(tmp_path, dtype, resampling, factors):
    data = values(dtype, (1, 75, 101))
    data[0, 10:14, 20:30] = 7  # no-data squares are left out of the mean
    path = str(tmp_path / "ovr.tif")
    with velmora.create_raster(path, 101, 75, 1, dtype, blocksize=16, nodata=7) as dst:
        dst.write(data)
        dst.build_overviews(factors, resampling)
    ds = gdal.Open(path)
    band = ds.GetRasterBand(1)
    level, previous = data[0], 1
    for i, factor in enumerate(factors or [2, 4, 8]):
        level = reduce(level, factor // previous, resampling, 7)
        previous = factor
        np.testing.assert_array_equal(band.GetOverview(i).ReadAsArray(), level)


def test_a_profile_makes_a_file_like_the_opened_one(tmp_path):
    src = str(tmp_path / "src.tif")
    write_shuffled(src, values("uint16", (2, 90, 80)), compress="zstd", geotransform=GT, crs_epsg=32633, nodata=3)
    profile = velmora.open_raster(src).profile
    copy = str(tmp_path / "copy.tif")
    with velmora.create_raster(copy, **profile) as dst:
        dst.write(velmora.open_raster(src).read())
    assert velmora.open_raster(copy).profile == profile


def test_from_numpy_saves_values_as_a_tiff(tmp_path):
    data = values("float64", (40, 30))
    velmora.from_numpy(data).save(str(tmp_path / "v.tif"))
    np.testing.assert_array_equal(gdal_array(str(tmp_path / "v.tif"))[1][0], data)
    with pytest.raises(TypeError):
        velmora.from_numpy(data).save(str(tmp_path / "v.png"))


def test_bad_inputs_fail_clearly_and_leave_no_file(tmp_path):
    path = str(tmp_path / "bad.tif")
    with pytest.raises(velmora.Error, match="jpeg"):
        velmora.create_raster(path, 10, 10, 1, "float32", compress="jpeg")
    refusals = [
        (np.zeros((10, 10), np.float64), {}),                       # float64 into float32: never cast
        (np.zeros((9, 10), np.float32), {}),                        # shape
        (np.zeros((4, 4), np.float32), {"window": (8, 8, 4, 4)}),   # outside
        (np.zeros((4, 4), np.float32), {"indexes": 2, "window": (0, 0, 4, 4)}),  # band
    ]
    with velmora.create_raster(path, 10, 10, 1, "float32") as dst:
        for array, kwargs in refusals:
            with pytest.raises(velmora.Error):
                dst.write(array, **kwargs)
        dst.write(np.ones((10, 10), np.float32))
    assert os.path.exists(path)
    os.remove(path)
    with pytest.raises(ZeroDivisionError):
        with velmora.create_raster(path, 10, 10, 1, "uint8") as dst:
            dst.write(np.ones((10, 10), np.uint8))
            1 / 0
    assert os.listdir(tmp_path) == []
