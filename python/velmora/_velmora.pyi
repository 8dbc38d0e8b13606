# Type stubs of the compiled module velmora._velmora (re-exported by velmora).
import os
from typing import Any, BinaryIO, Callable, Dict, Iterator, List, Literal, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
Progress = Callable[[int], object]
FormatName = Literal["bmp", "tif", "tiff", "pcx", "gif", "jpg", "jpeg", "png"]
Compression = Literal["none", "deflate", "lzw", "jpeg"]
Turn = Literal[90, 180, 270, "left", "right", "half"]
Direction = Literal["vertical", "horizontal"]
Bits = Literal[1, 4, 8, 24, 32]
# A file's contents: bytearray, memoryview, bytes holding a NUL byte, or a binary file object.
Contents = Union[bytearray, memoryview, bytes, BinaryIO]

class Error(RuntimeError):
    """A failure of the library: str(e) is English."""

    code: str  # "file_not_found", "open_failed", "unknown_format", "unsupported", "bad_data", ...
    text: str  # the library's own text ("" when the library was not asked)
    errno: int  # the system's error number, 0 when none

class Image:
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def bit_count(self) -> int: ...
    @property
    def gray(self) -> bool: ...
    @property
    def in_page_file(self) -> bool: ...
    @property
    def has_alpha(self) -> bool: ...
    @property
    def palette(self) -> Optional[npt.NDArray[np.uint8]]:
        """(N, 3) RGB for images of up to 8 bits, else None."""
    def to_numpy(self) -> npt.NDArray[np.uint8]:
        """(H, W) indices up to 8 bits, (H, W, 3) RGB, or (H, W, 4) RGBA for 32 bits with alpha; top row first."""
    def read_rows(self, top: int, count: int) -> npt.NDArray[np.uint8]: ...
    def blocks(self, rows: Optional[int] = None) -> Iterator[Tuple[int, npt.NDArray[np.uint8]]]:
        """(top, array) pairs from the top row down, each at most `rows` rows."""
    def save(
        self,
        target: Union[PathLike, BinaryIO],
        format: Optional[FormatName] = None,
        *,
        fit: bool = True,
        quality: Optional[int] = None,
        compression: Optional[Compression] = None,
        level: Optional[int] = None,
        predictor: Optional[bool] = None,
        bigtiff: Optional[bool] = None,
        progress: Optional[Progress] = None,
    ) -> None:
        """To a path, or a binary file object (format needed); depths fitted on a copy unless fit=False."""
    def rotate(self, turn: Turn) -> None:
        """In place, clockwise as the tool's --rotate: 90/"right", 270/"left", 180/"half"."""
    def flip(self, direction: Direction) -> None: ...
    def invert(self) -> None: ...
    def thumbnail(self, size: Union[int, Tuple[int, int]], height: Optional[int] = None) -> "Image":
        """A new image fitting size x size (or a (width, height) box), proportions kept; alpha kept."""
    def crop(self, x: int, y: int, width: int, height: int) -> "Image": ...
    def resize(self, width: int, height: int) -> "Image":
        """Exactly width x height, the library's filtering (areas averaged, then Lanczos-3)."""
    def copy(self) -> "Image": ...
    def write_rows(self, top: int, array: npt.NDArray[np.uint8]) -> None:
        """(rows, width) indices, (rows, width, 3) RGB or (rows, width, 4) RGBA from picture row top."""
    def close(self) -> None: ...
    def __enter__(self) -> "Image": ...
    def __exit__(self, *args: object) -> Literal[False]: ...
    def __array__(self, dtype: Optional[npt.DTypeLike] = None, copy: Optional[bool] = None) -> npt.NDArray[Any]:
        """As Pillow's: (h, w) grey levels (bool for 1-bit black and white), (h, w) indices, (h, w, 3), (h, w, 4)."""
    @property
    def icc_profile(self) -> Optional[bytes]: ...
    @icc_profile.setter
    def icc_profile(self, value: Optional[bytes]) -> None: ...
    @property
    def exif(self) -> Optional[bytes]: ...
    @exif.setter
    def exif(self, value: Optional[bytes]) -> None: ...
    @property
    def orientation(self) -> Literal[1, 2, 3, 4, 5, 6, 7, 8]: ...
    @property
    def warning(self) -> Optional[str]: ...

class GeoTIFF:
    def __init__(self, path: PathLike) -> None: ...
    @property
    def path(self) -> str: ...
    def report(self) -> str: ...
    @property
    def keys(self) -> Dict[str, Union[int, float, str]]: ...
    @property
    def tie_points(self) -> Optional[npt.NDArray[np.float64]]:
        """(N, 6): I, J, K, X, Y, Z."""
    @property
    def pixel_scale(self) -> Optional[npt.NDArray[np.float64]]: ...
    @property
    def transformation(self) -> Optional[npt.NDArray[np.float64]]:
        """(4, 4)."""
    def write(self, out: PathLike, image: Optional[Image] = None) -> None: ...
    @property
    def geotransform(self) -> Optional[Tuple[float, float, float, float, float, float]]: ...
    @property
    def crs_epsg(self) -> Optional[int]: ...
    @property
    def nodata(self) -> Optional[float]: ...

# (col_off, row_off, width, height) or rasterio's ((row_start, row_stop), (col_start, col_stop))
Window = Union[Tuple[int, int, int, int], Tuple[Tuple[int, int], Tuple[int, int]]]

class Raster:
    """A TIFF's samples as stored; a context manager (closed on exit)."""

    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def count(self) -> int: ...
    @property
    def dtypes(self) -> Tuple[str, ...]: ...
    @property
    def block_shapes(self) -> List[Tuple[int, int]]:
        """(rows, cols) per band."""
    @property
    def geotransform(self) -> Optional[Tuple[float, float, float, float, float, float]]:
        """GDAL's order; None without georeferencing."""
    @property
    def crs_epsg(self) -> Optional[int]: ...
    @property
    def nodata(self) -> Optional[float]: ...
    @property
    def descriptions(self) -> Tuple[str, ...]: ...
    @property
    def scales(self) -> Tuple[float, ...]: ...
    @property
    def offsets(self) -> Tuple[float, ...]: ...
    @property
    def profile(self) -> Dict[str, Any]: ...
    @property
    def closed(self) -> bool: ...
    def overviews(self, band: int = 1) -> List[int]:
        """Decimation factors, largest overview first."""
    def read(
        self,
        indexes: Union[None, int, Sequence[int]] = None,
        window: Optional[Window] = None,
        out_shape: Optional[Sequence[int]] = None,
        masked: bool = False,
    ) -> npt.NDArray[Any]:
        """(rows, cols) for an int index, else (bands, rows, cols); numpy.ma with masked=True."""
    def block_windows(self, index: int = 1) -> List[Tuple[Tuple[int, int], Window]]: ...
    def close(self) -> None: ...
    def __enter__(self) -> "Raster": ...
    def __exit__(self, *args: object) -> None: ...

def open_raster(path: PathLike) -> Raster: ...

class Format:
    name: str  # "TIFF"
    extensions: List[str]  # "tif", "tiff"
    save_depths: List[int]  # the bit counts its save takes

def formats() -> List[Format]: ...
def convert_file(
    input: PathLike,
    output: PathLike,
    *,
    format: str = "",
    transforms: List[str] = ...,
    thumbnail: int = 0,
    colors: int = 256,
    dither: bool = True,
) -> str:
    """Read, transform ("left", "right", "vertical", "horizontal", "invert"), fit the depth
    to the output format, save; returns what the fit did ("" when nothing)."""
def batch_outputs(inputs: List[PathLike], out_dir: PathLike, format: str) -> List[str]:
    """Each input's output in out_dir; Error (invalid_argument) when two share one."""
def new(width: int, height: int, bits: Bits = 24, palette: Optional[npt.ArrayLike] = None) -> Image:
    """A black image to fill with Image.write_rows (in a page file when over the memory limit)."""
def from_numpy(array: npt.NDArray[np.uint8], palette: Optional[npt.ArrayLike] = None) -> Image: ...
def set_memory_limit(bytes: int) -> None: ...
def memory_limit() -> int: ...
def set_virtual_dir(path: PathLike) -> None: ...
def virtual_dir() -> str: ...
