"""Velmora: images larger than memory, as numpy arrays.

    import velmora
    image = velmora.open("huge.tif")           # raises velmora.Error
    for top, block in image.blocks(rows=512):  # (rows, width[, channels]) uint8
        ...
    image.rotate("right")
    image.save("turned.png", level=9)

The pixels of an image too large for the memory limit live in a page file
and are read a window of rows at a time; blocks() never holds more than one
block in memory.
"""

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
    open,
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
    "open",
    "open_raster",
    "Raster",
    "set_memory_limit",
    "set_virtual_dir",
    "virtual_dir",
]

# A block of about this many bytes when blocks() is not told its rows.
_BLOCK_BYTES = 16 << 20


def _blocks(self, rows=None):
    """Yields (top, array) pairs covering the image from the top row down,
    each array holding at most `rows` picture rows (by default about 16 MiB
    of pixels), shaped as to_numpy() shapes the whole image."""
    if rows is None:
        row_bytes = max(1, self.width * (1 if self.bit_count <= 8 else 4))
        rows = max(1, _BLOCK_BYTES // row_bytes)
    if rows < 1:
        raise ValueError("blocks(rows=N) needs N >= 1")
    for top in range(0, self.height, rows):
        yield top, self.read_rows(top, min(rows, self.height - top))


Image.blocks = _blocks
