from ._velmora import (
    Error as Error,
    GeoTIFF as GeoTIFF,
    Image as Image,
    from_numpy as from_numpy,
    memory_limit as memory_limit,
    open as open,
    open_raster as open_raster,
    Raster as Raster,
    set_memory_limit as set_memory_limit,
    set_virtual_dir as set_virtual_dir,
    virtual_dir as virtual_dir,
)
