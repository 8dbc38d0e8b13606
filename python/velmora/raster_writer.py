"""Writing rasters from numpy windows: velmora.create_raster.

    with velmora.create_raster("slope.tif", 6000, 4000, 1, "float32",
                               geotransform=src.geotransform, crs_epsg=32633,
                               nodata=-9999, cog=True) as dst:
        for ij, window in src.block_windows():
            dst.write(slope(src.read(1, window=window)), indexes=1, window=window)

`create_raster(path, **src.profile)` makes a file laid out like an opened
one. Nothing is under `path` until the writer closes without an error.
"""

import numpy as _np

from . import _velmora

# Profile keys an opened raster gives that describe what is written anyway.
_IGNORED = {"driver", "interleave", "photometric"}


class RasterWriter:
    """A raster being written. write() takes arrays of the raster's dtype
    exactly (never cast); an exception inside `with` drops the file."""

    def __init__(self, path, options):
        self._writer = _velmora._RasterWriter(path, options)
        self.path = path
        self.profile = dict(options)

    def write(self, array, indexes=None, window=None):
        """Writes `array` ((bands, rows, cols), or (rows, cols) for one band
        or an int index) at `window` (col_off, row_off, width, height), the
        whole raster when None."""
        self._writer.write(_np.asarray(array), indexes, window)

    def build_overviews(self, factors=None, resampling="average"):
        """Reduced images (2, 4, 8... until one block holds the smallest
        when factors is None); no write() follows."""
        self._writer.build_overviews(factors, resampling)

    def close(self):
        """Finishes the file: writes what is pending and moves it into place.
        velmora.Error when the file cannot be finished (nothing is left)."""
        self._writer.close()

    @property
    def closed(self):
        """Whether the writer is finished (closed or abandoned)."""
        return self._writer.closed

    def __enter__(self):
        return self

    def __exit__(self, kind, value, traceback):
        if kind is None:
            self.close()
        else:
            self._writer.abandon()
        return False

    def __del__(self):
        writer = getattr(self, "_writer", None)
        if writer is not None and not writer.closed:
            writer.abandon()


def _bigtiff(value):
    if value is True or value is False:
        return "yes" if value else "no"
    value = str(value).lower()
    if value not in ("auto", "yes", "no"):
        raise ValueError("bigtiff is 'auto', 'yes' or 'no'")
    return value


def create_raster(path, width, height, count, dtype, *, tiled=True, blocksize=512, compress="deflate",
                  predictor=None, bigtiff="auto", geotransform=None, crs_epsg=None, nodata=None, cog=False,
                  blockxsize=None, blockysize=None, quality=75, metadata=None, scales=(), offsets=(),
                  descriptions=(), **ignored):
    """A RasterWriter for a new TIFF at `path` (see the module's text)."""
    unknown = set(ignored) - _IGNORED
    if unknown:
        raise TypeError("create_raster() got unexpected options: " + ", ".join(sorted(unknown)))
    if ignored.get("driver", "GTiff") != "GTiff":
        raise ValueError("create_raster writes GTiff files only")
    options = {
        "width": int(width), "height": int(height), "count": int(count), "dtype": _np.dtype(dtype).name,
        "tiled": bool(tiled), "blockxsize": int(blockxsize or blocksize), "blockysize": int(blockysize or blocksize),
        "compress": str(compress or "none").lower(), "predictor": int(predictor or 0), "quality": int(quality),
        "bigtiff": _bigtiff(bigtiff), "geotransform": tuple(geotransform) if geotransform is not None else None,
        "crs_epsg": crs_epsg, "nodata": nodata, "cog": bool(cog),
        "metadata": sorted((str(k), str(v)) for k, v in (metadata or {}).items()),
        "scales": list(scales), "offsets": list(offsets), "descriptions": list(descriptions),
    }
    return RasterWriter(path, options)


def _tiff_path(path):
    return str(path).lower().endswith((".tif", ".tiff"))


class ValueImage:
    """An array of values (any dtype a raster holds) waiting to be saved as a
    TIFF; from_numpy gives one for arrays that are no 8-bit picture."""

    def __init__(self, array):
        self.array = _np.ascontiguousarray(array)
        if self.array.ndim not in (2, 3):
            raise ValueError("from_numpy takes (H, W) or (H, W, bands) arrays")
        self.height, self.width = self.array.shape[:2]
        self.count = 1 if self.array.ndim == 2 else self.array.shape[2]
        self.dtype = self.array.dtype

    def save(self, path, compression="deflate", **options):
        """Saves the values as a TIFF at `path` (bands as samples, pixel
        interleaved strips); further create_raster options (nodata,
        geotransform, crs_epsg, ...) go in `options`. TypeError when `path`
        is no TIFF name, velmora.Error when the save fails."""
        if not _tiff_path(path):
            raise TypeError("only a TIFF holds " + self.dtype.name + " samples; save as .tif")
        bands = self.array if self.array.ndim == 2 else _np.moveaxis(self.array, 2, 0)
        with create_raster(path, self.width, self.height, self.count, self.dtype, compress=compression,
                           tiled=False, **options) as dst:
            dst.write(bands)


def from_numpy(array, palette=None):
    """An Image from a uint8 array (as before); an array of any other dtype a
    raster holds gives a ValueImage, which saves as a TIFF of its values."""
    array = _np.asarray(array)
    if array.dtype == _np.uint8:
        return _velmora.from_numpy(array, palette)
    if palette is not None:
        raise TypeError("a palette goes with uint8 indices only")
    return ValueImage(array)
