from typing import Optional, Union

from ._velmora import (
    Error as Error,
    Format as Format,
    GeoTIFF as GeoTIFF,
    Image as Image,
    batch_outputs as batch_outputs,
    convert_file as convert_file,
    formats as formats,
    from_numpy as from_numpy,
    memory_limit as memory_limit,
    new as new,
    open_raster as open_raster,
    Raster as Raster,
    set_memory_limit as set_memory_limit,
    set_virtual_dir as set_virtual_dir,
    virtual_dir as virtual_dir,
)
from ._velmora import Contents, PathLike, Progress

def open(source: Union[PathLike, Contents], progress: Optional[Progress] = None, *, auto_orient: bool = True) -> Image:
    """A path, or the file's contents (bytearray, memoryview, bytes holding a NUL byte, a binary file object)."""
