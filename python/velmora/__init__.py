"""Velmora: images larger than memory, as numpy arrays.

    import velmora
    with velmora.open("photo.jpg") as image:     # raises velmora.Error
        pixels = np.asarray(image)               # (h, w, 3) RGB, upright
        image.thumbnail(256).save("thumb.png")
    for top, block in velmora.open("huge.tif").blocks(rows=512):
        ...                                      # (rows, width[, channels]) uint8

The pixels of an image too large for the memory limit live in a page file
and are read a window of rows at a time; blocks() never holds more than one
block in memory, and new() with write_rows() writes such an image block by
block.
"""

import builtins as _builtins
import os as _os
import shutil as _shutil
import tempfile as _tempfile

import numpy as _np

from . import _velmora
from ._velmora import (  # noqa: F401
    Error,
    Format,
    GeoTIFF,
    Image,
    batch_outputs,
    convert_file,
    formats,
    from_numpy,
    memory_limit,
    new,
    open_raster,
    Raster,
    set_memory_limit,
    set_virtual_dir,
    virtual_dir,
)
from ._velmora import compression_available  # noqa: F401,E402
from .raster_writer import RasterWriter, ValueImage, create_raster, from_numpy  # noqa: F401,E402

__all__ = [
    "Error",
    "Format",
    "GeoTIFF",
    "RasterWriter",
    "ValueImage",
    "compression_available",
    "create_raster",
    "Image",
    "batch_outputs",
    "convert_file",
    "formats",
    "from_numpy",
    "memory_limit",
    "new",
    "open",
    "open_raster",
    "Raster",
    "set_memory_limit",
    "set_virtual_dir",
    "virtual_dir",
]

# A block of about this many bytes when blocks() is not told its rows.
_BLOCK_BYTES = 16 << 20


def _is_contents(source):
    """bytearray and memoryview are a file's contents; bytes are when they
    hold a NUL byte, which no path can (every image format's header has
    one), and a path otherwise."""
    if isinstance(source, (bytearray, memoryview)):
        return True
    return isinstance(source, bytes) and b"\0" in source


def open(source, progress=None, *, auto_orient=True):  # noqa: A001 - the package's own open
    """open(source, progress=None, *, auto_orient=True) -> Image

    Reads an image; its format is found from its first bytes.

    source: a path (str, os.PathLike, or bytes without a NUL byte); or the
    file's contents: a bytearray, a memoryview, bytes holding a NUL byte (no
    path can hold one, and every image file's header does), or a binary file
    object (anything with read(); read to its end).
    progress: called with 0..100 from the reading thread.
    auto_orient: bring a picture stored turned or mirrored upright, as its
    EXIF (JPEG) or TIFF Orientation says (Image.orientation keeps the value;
    the EXIF kept then says 1). False keeps the pixels as stored.

    Raises velmora.Error: code "file_not_found", "open_failed",
    "unknown_format", "bad_data" or "out_of_memory".
    """
    if hasattr(source, "read"):
        source = source.read()
        if not isinstance(source, (bytes, bytearray)):
            raise TypeError("open() takes binary file objects (read() gave %s)" % type(source).__name__)
        return _velmora._open_memory(source, progress, auto_orient)
    if _is_contents(source):
        view = memoryview(source)
        data = view.cast("B") if view.c_contiguous else view.tobytes()
        return _velmora._open_memory(data, progress, auto_orient)
    return _velmora._open_path(source, progress, auto_orient)


def _is_grey_table(palette):
    """A colour table of greys running from dark to light or light to dark."""
    if palette is None or len(palette) < 2:
        return False
    grey = palette[:, 0]
    if not ((palette[:, 1] == grey).all() and (palette[:, 2] == grey).all()):
        return False
    steps = _np.diff(grey.astype(int))
    return bool((steps > 0).all() or (steps < 0).all())


def _array(self, dtype=None, copy=None):
    """The pixels as numpy.asarray(image) gives them, as Pillow's images do:
    (h, w) grey levels for an image whose colour table is a grey ramp (bool
    for 1-bit black and white), (h, w) indices for other palette images,
    (h, w, 3) RGB, (h, w, 4) RGBA for 32-bit images with alpha; uint8, top
    row first. A new array each time (copy=False cannot be honoured)."""
    if copy is False:
        raise ValueError("velmora images give their pixels as a copy")
    pixels = self.to_numpy()
    palette = self.palette
    if pixels.ndim == 2 and _is_grey_table(palette):
        pixels = palette[:, 0][pixels]
        if self.bit_count == 1:
            pixels = pixels > 127
    return pixels if dtype is None else pixels.astype(dtype, copy=False)


def _blocks(self, rows=None):
    """blocks(rows=None) -> iterator of (top, array)

    Yields (top, array) pairs covering the image from the top row down,
    each array holding at most `rows` picture rows (by default about 16 MiB
    of pixels), shaped as to_numpy() shapes the whole image. Only one block
    is in memory at a time. Raises ValueError for rows < 1."""
    if rows is None:
        row_bytes = max(1, self.width * (1 if self.bit_count <= 8 else 4))
        rows = max(1, _BLOCK_BYTES // row_bytes)
    if rows < 1:
        raise ValueError("blocks(rows=N) needs N >= 1")
    for top in range(0, self.height, rows):
        yield top, self.read_rows(top, min(rows, self.height - top))


_quarter_turn = Image.rotate


def _rotate(self, turn):
    """rotate(turn)

    Turns the image in place, clockwise as the tool's --rotate: 90 or
    "right" a quarter turn clockwise, 270 or "left" anticlockwise, 180 or
    "half" a half turn (two flips, no second image needed).
    Raises ValueError for another turn, velmora.Error (code
    "transform_failed") when there is no room for the turned image."""
    if turn in (180, "half") and not isinstance(turn, bool):
        self.flip("vertical")
        self.flip("horizontal")
        return
    steps = {90: "right", 270: "left", "right": "right", "left": "left"}
    if isinstance(turn, bool) or turn not in steps:
        raise ValueError('rotate takes 90, 180, 270, "left", "right" or "half", not %r' % (turn,))
    _quarter_turn(self, steps[turn])


def _thumbnail(self, size, height=None):
    """thumbnail(size) -> Image

    A new image fitting size x size (or a (width, height) box, also given as
    thumbnail(width, height)) with the
    picture's proportions, its longest side filling the box (a box larger
    than the picture enlarges it); filtered: areas averaged, then Lanczos-3.
    RGB (grey for a grey image), or RGBA when this image has alpha; the colour profile and EXIF go
    with it. Raises velmora.Error (code "invalid_argument") for a side below 1."""
    if height is not None:
        size = (size, height)
    width, height = (size, size) if isinstance(size, int) else size
    return self._thumbnail_image(width, height)


_save_path = Image.save

def _save(self, target, format=None, *, fit=True, **options):
    """save(target, format=None, *, fit=True, quality=None, compression=None, level=None, progress=None)

    Saves to a path (str or os.PathLike; the format by its extension unless
    `format` names one: "bmp", "tif"/"tiff", "pcx", "gif", "jpg"/"jpeg",
    "png") or to a binary file object (anything with write(); `format`
    needed). A failed save leaves an existing file as it was.
    fit: a depth the format cannot hold is fitted on a copy first, as the
    tool does (palette images widened, 16 and 32 bits to 24, 24-bit to GIF
    reduced to 256 colours with dithering); this image is never changed.
    fit=False keeps the library's refusal.
    quality: JPEG 1..100; compression: TIFF "none", "deflate", "lzw",
    "jpeg"; level: PNG 0..9; progress: called with 0..100.
    Raises velmora.Error: code "unknown_format", "unsupported" (a depth or
    option the format does not take, with fit=False), "write_failed"."""
    to_file = hasattr(target, "write")
    if to_file and format is None:
        raise ValueError("saving to a file object needs format=")
    if format is not None:
        options["format"] = format
    image = self._fitted_for(None if to_file else target, format, fit)
    if not to_file:
        _save_path(image, target, **options)
        return
    with _tempfile.TemporaryDirectory(dir=_os.environ.get("TMPDIR")) as folder:
        path = _os.path.join(folder, "image")
        _save_path(image, path, **options)
        with _builtins.open(path, "rb") as saved:
            _shutil.copyfileobj(saved, target)


def _fitted_for(self, path, format, fit):
    """This image, or a copy of it at a depth the format holds."""
    if not fit:
        return self
    if not format and path is not None:
        format = _os.path.splitext(_os.fsdecode(path))[1][1:]
    fitted = self._fit_depth(format) if format else None
    return self if fitted is None else fitted


def _enter(self):
    return self


def _exit(self, *exc):
    self.close()
    return False


Image.__array__ = _array
Image.__enter__ = _enter
Image.__exit__ = _exit
Image.blocks = _blocks
Image.rotate = _rotate
Image.thumbnail = _thumbnail
Image.save = _save
Image._fitted_for = _fitted_for
