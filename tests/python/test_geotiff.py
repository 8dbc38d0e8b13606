"""velmora.GeoTIFF: keys by name, model tags, the report, writing."""

import os

import numpy as np
import pytest

import velmora
from conftest import DATA


def test_keys_and_model_tags():
    geo = velmora.GeoTIFF(os.path.join(DATA, "geotiff/gdal_utm33n_grey.tif"))
    assert geo.keys["GTModelTypeGeoKey"] == 1
    assert geo.keys["ProjectedCSTypeGeoKey"] == 32633
    assert geo.keys["GTCitationGeoKey"].startswith("WGS 84 / UTM zone 33N")
    np.testing.assert_array_equal(geo.pixel_scale, [1, 1, 0])
    np.testing.assert_array_equal(geo.tie_points, [[0, 0, 0, 500000, 4650000, 0]])
    assert geo.transformation is None
    assert "ProjectedCSTypeGeoKey" in geo.report()


def test_write_keeps_the_georeferencing(tmp_path):
    geo = velmora.GeoTIFF(os.path.join(DATA, "geotiff/gdal_utm33n_grey.tif"))
    geo.write(str(tmp_path / "same.tif"))
    copy = velmora.GeoTIFF(str(tmp_path / "same.tif"))
    assert copy.keys == geo.keys
    np.testing.assert_array_equal(copy.tie_points, geo.tie_points)
    image = velmora.from_numpy(np.zeros((8, 16), np.uint8))
    geo.write(str(tmp_path / "other.tif"), image)
    assert velmora.open(str(tmp_path / "other.tif")).width == 16
    assert velmora.GeoTIFF(str(tmp_path / "other.tif")).keys == geo.keys


def test_not_a_tiff():
    with pytest.raises(velmora.Error) as e:
        velmora.GeoTIFF(os.path.join(DATA, "bmp/pal8.bmp"))
    assert e.value.code == "geotiff_failed"


def test_one_geotiff_writing_from_two_threads(tmp_path):
    from concurrent.futures import ThreadPoolExecutor

    geo = velmora.GeoTIFF(os.path.join(DATA, "geotiff/gdal_utm33n_grey.tif"))
    images = [velmora.from_numpy(np.full((8, 8 + k), 40 * k, np.uint8)) for k in range(2)]

    def write(i):
        k = i % 2
        out = str(tmp_path / f"{i}.tif")
        geo.write(out, images[k])
        return out, k

    with ThreadPoolExecutor(2) as pool:
        written = list(pool.map(write, range(120)))
    for out, k in written:
        np.testing.assert_array_equal(velmora.open(out).to_numpy(), images[k].to_numpy(), err_msg=out)
        assert velmora.GeoTIFF(out).keys == geo.keys
