"""Every file of data/raster (made by GDAL) read by velmora.open_raster gives
GDAL's own numbers: description, georeferencing, whole reads, windows, band
lists, reduced reads through overviews, and masks."""

import glob
import math
import os
import threading

import numpy as np
import pytest
from osgeo import gdal

import velmora
from conftest import DATA

gdal.UseExceptions()
FILES = sorted(os.path.basename(p) for p in glob.glob(os.path.join(DATA, "raster", "*.tif")))
COMPLEX = {"cint16.tif": "complex_int16", "cfloat32.tif": "complex64"}
READABLE = [f for f in FILES if f not in COMPLEX]


def path_of(name):
    return os.path.join(DATA, "raster", name)


def gdal_dtype(ds):
    band = ds.GetRasterBand(1)
    if band.GetMetadataItem("PIXELTYPE", "IMAGE_STRUCTURE") == "SIGNEDBYTE":
        return "int8"
    return np.dtype(gdal.GetDataTypeName(band.DataType).lower().replace("byte", "uint8")).name


def gdal_read(ds, bands, window, out=None):
    col, row, w, h = window
    ow, oh = out if out else (w, h)
    arr = ds.ReadAsArray(col, row, w, h, buf_xsize=ow, buf_ysize=oh, band_list=bands)
    arr = arr.reshape(len(bands), oh, ow)
    return arr.view(np.int8) if gdal_dtype(ds) == "int8" else arr


def gdal_mask(ds, bands, window, out):
    col, row, w, h = window
    return np.stack([ds.GetRasterBand(b).GetMaskBand().ReadAsArray(col, row, w, h, out[0], out[1]) for b in bands])


def same(a, b):
    assert a.dtype == b.dtype and a.shape == b.shape
    np.testing.assert_array_equal(a, b)


@pytest.mark.parametrize("name", FILES)
def test_description_is_gdals(name):
    ds = gdal.Open(path_of(name))
    band = ds.GetRasterBand(1)
    with velmora.open_raster(path_of(name)) as r:
        assert (r.width, r.height, r.count) == (ds.RasterXSize, ds.RasterYSize, ds.RasterCount)
        assert r.dtypes == (COMPLEX.get(name) or gdal_dtype(ds),) * ds.RasterCount
        bw, bh = band.GetBlockSize()
        assert r.block_shapes[0] == (bh, bw)
        gt = ds.GetGeoTransform(can_return_null=True)
        assert r.geotransform == (pytest.approx(gt, abs=1e-9) if gt else None)
        srs = ds.GetSpatialRef()
        epsg = int(srs.GetAuthorityCode(None)) if srs and srs.GetAuthorityName(None) == "EPSG" else None
        assert r.crs_epsg == epsg
        nodata = band.GetNoDataValue()
        assert (r.nodata is None and nodata is None) or (math.isnan(nodata) and math.isnan(r.nodata)) or \
            r.nodata == nodata
        assert r.overviews() == [math.floor(0.5 + ds.RasterXSize / band.GetOverview(i).XSize)
                                 for i in range(band.GetOverviewCount())]
        for b in range(ds.RasterCount):
            gb = ds.GetRasterBand(b + 1)
            assert (r.descriptions[b], r.scales[b], r.offsets[b]) == \
                (gb.GetDescription(), gb.GetScale() or 1.0, gb.GetOffset() or 0.0)
        assert r.profile["dtype"] == r.dtypes[0] and r.profile["nodata"] == r.nodata or r.nodata != r.nodata


@pytest.mark.parametrize("name", READABLE)
def test_values_are_gdals(name):
    ds = gdal.Open(path_of(name))
    w, h, n = ds.RasterXSize, ds.RasterYSize, ds.RasterCount
    bands = list(range(1, n + 1))
    with velmora.open_raster(path_of(name)) as r:
        same(r.read(), gdal_read(ds, bands, (0, 0, w, h)))
        window = (3, 2, w - 7, h - 5)
        same(r.read(list(reversed(bands)), window=window), gdal_read(ds, list(reversed(bands)), window))
        same(r.read(n, window=window), gdal_read(ds, [n], window)[0])
        sizes = [(w // 3, h // 2), (w * 2 - 1, h + 3)]
        sizes += [(o.XSize, o.YSize) for o in (ds.GetRasterBand(1).GetOverview(i)
                                               for i in range(ds.GetRasterBand(1).GetOverviewCount()))]
        for out in sizes:
            same(r.read(out_shape=(out[1], out[0])), gdal_read(ds, bands, (0, 0, w, h), out))
            same(r.read(window=window, out_shape=(n, out[1], out[0])), gdal_read(ds, bands, window, out))
        for win, out in [((0, 0, w, h), (w, h)), (window, (w // 4, h // 3))]:
            masked = r.read(window=win, out_shape=(out[1], out[0]), masked=True)
            same(np.ma.getmaskarray(masked), gdal_mask(ds, bands, win, out) == 0)


def test_complex_samples_are_described_not_read():
    with velmora.open_raster(path_of("cint16.tif")) as r:
        with pytest.raises(velmora.Error, match="complex"):
            r.read()


@pytest.mark.parametrize("call, match", [
    (lambda r: r.read(window=(-1, 0, 4, 4)), "not inside"),
    (lambda r: r.read(window=(40, 0, 10, 4)), "not inside"),
    (lambda r: r.read(window=(0, 0, 0, 4)), "not inside"),
    (lambda r: r.read(indexes=[1, 4]), "band 4"),
    (lambda r: r.read(indexes=0), "band 0"),
    (lambda r: r.read(out_shape=(0, 5)), "size"),
    (lambda r: r.overviews(band=9), "band 9"),
])
def test_bad_requests_raise(call, match):
    with velmora.open_raster(path_of("u8_rgb_tiled_lzw.tif")) as r:
        with pytest.raises(velmora.Error, match=match):
            call(r)


def test_closed_and_missing():
    r = velmora.open_raster(path_of("u8_strips.tif"))
    r.close()
    with pytest.raises(velmora.Error, match="closed"):
        r.read()
    with pytest.raises(velmora.Error) as caught:
        velmora.open_raster(path_of("none.tif"))
    assert caught.value.code == "file_not_found"


def test_block_windows_cover_the_raster_once():
    with velmora.open_raster(path_of("u16_overviews.tif")) as r:
        seen = np.zeros((r.height, r.width), int)
        whole = r.read(1)
        for (row, col), (x, y, w, h) in r.block_windows():
            assert (x, y) == (col * 16, row * 16)
            seen[y:y + h, x:x + w] += 1
            same(r.read(1, window=(x, y, w, h)), whole[y:y + h, x:x + w])
            same(r.read(1, window=((y, y + h), (x, x + w))), whole[y:y + h, x:x + w])
        assert (seen == 1).all()


def test_threads_read_the_same_bytes():
    with velmora.open_raster(path_of("u16_overviews.tif")) as r:
        expected = r.read()
        results = [None] * 6

        def work(k):
            results[k] = [r.read(window=win) for _, win in r.block_windows()]

        threads = [threading.Thread(target=work, args=(k,)) for k in range(6)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for blocks in results:
            for (_, (x, y, w, h)), block in zip(r.block_windows(), blocks):
                same(block, expected[:, y:y + h, x:x + w])


@pytest.mark.parametrize("name", ["u16_dem_deflate.tif", "i16_nodata_zstd.tif", "rotated.tif", "no_georef.tif"])
def test_geotiff_object_gives_the_same_georeferencing(name):
    g = velmora.GeoTIFF(path_of(name))
    with velmora.open_raster(path_of(name)) as r:
        assert (g.geotransform, g.crs_epsg, g.nodata) == (r.geotransform, r.crs_epsg, r.nodata)
