"""Rasters as Dask arrays, in and out.

    import velmora.dask
    dem = velmora.dask.read("dem.tif", band=1)          # lazy, chunks on blocks
    slope = dem.map_overlap(compute_slope, depth=1)
    velmora.dask.write(slope, "slope.tif", cog=True, crs_epsg=32633,
                       geotransform=velmora.open_raster("dem.tif").geotransform)

read() builds a graph whose tasks each open the file by path and read one
window (without the interpreter lock), so the graph pickles and runs on a
multi-process cluster, and slicing a small part reads only that part.
write() computes the chunks (on the current distributed client when there is
one, else on local threads), a bounded number at a time, and writes each
through one writer as it arrives, so the result never has to fit in memory.
"""

import concurrent.futures
import itertools
import os
import threading

import numpy as np

from .raster_writer import create_raster

# A default chunk holds about this many bytes, in whole blocks.
_CHUNK_BYTES = 64 << 20

_open = {}
_open_lock = threading.Lock()


def _raster(path):
    """One opened raster per file and process (its reads are thread-safe)."""
    from . import open_raster

    with _open_lock:
        raster = _open.get(path)
        if raster is None:
            raster = _open[path] = open_raster(path)
        return raster


class _Windows:
    """What dask.array.from_array slices: a picklable view of a file's bands
    whose every slice is one windowed read."""

    def __init__(self, path, band, shape, dtype):
        self.path, self.band, self.shape, self.dtype = path, band, shape, np.dtype(dtype)
        self.ndim = len(shape)

    def __getitem__(self, key):
        key = key if isinstance(key, tuple) else (key,)
        key = key + (slice(None),) * (self.ndim - len(key))
        spans, picks = [], []
        for k, size in zip(key, self.shape):
            if isinstance(k, slice):
                start, stop, step = k.indices(size)
                spans.append((start, max(start, stop) if step > 0 else start + 1))
                picks.append(slice(None, None, step) if step > 0 else slice(None))
            else:
                k = int(k) + (size if int(k) < 0 else 0)
                spans.append((k, k + 1))
                picks.append(0)
        (r0, r1), (c0, c1) = spans[-2], spans[-1]
        bands = [self.band] if self.ndim == 2 else list(range(spans[0][0] + 1, spans[0][1] + 1))
        if r1 <= r0 or c1 <= c0 or not bands:
            return np.empty([b - a for a, b in spans], self.dtype)[tuple(picks)]
        data = _raster(self.path).read(bands, window=(c0, r0, c1 - c0, r1 - r0))
        if self.ndim == 2:
            data = data[0]
        return data[tuple(picks)]


def _default_chunks(info, ndim):
    """Whole blocks, as many as make about _CHUNK_BYTES."""
    bh, bw = info.block_shapes[0]
    block_bytes = bh * bw * np.dtype(info.dtypes[0]).itemsize
    blocks = max(1, _CHUNK_BYTES // max(1, block_bytes))
    across = max(1, min(-(-info.width // bw), int(blocks ** 0.5)))
    down = max(1, blocks // across)
    chunks = (min(info.height, bh * down), min(info.width, bw * across))
    return chunks if ndim == 2 else (1,) + chunks


def _windowed_array(source, name, chunks):
    """One plain getter task per chunk (not from_array's fused layer), so
    dask folds a later slice into the chunk's window and reads only it."""
    import dask.array as da
    from dask.highlevelgraph import HighLevelGraph

    starts = [np.cumsum((0,) + c[:-1]) for c in chunks]
    graph = {}
    for index in itertools.product(*(range(len(c)) for c in chunks)):
        window = tuple(slice(int(starts[d][i]), int(starts[d][i]) + chunks[d][i]) for d, i in enumerate(index))
        graph[(name,) + index] = (da.core.getter, source, window, False, None)
    return da.Array(HighLevelGraph.from_collections(name, graph, dependencies=()), name, chunks, dtype=source.dtype)


def read(path, band=None, chunks=None):
    """A lazy dask.array of the raster at `path`: (rows, cols) of `band`, or
    (bands, rows, cols) when band is None. Chunks default to whole blocks."""
    import dask.array as da

    path = os.path.abspath(os.fspath(path))
    info = _raster(path)
    if band is not None and not 1 <= band <= info.count:
        raise ValueError("band %d is out of range 1..%d" % (band, info.count))
    shape = (info.height, info.width) if band is not None else (info.count, info.height, info.width)
    source = _Windows(path, band, shape, info.dtypes[0])
    name = "velmora-read-%s-%s-%s" % (path, band, os.stat(path).st_mtime_ns)
    return _windowed_array(source, name, da.core.normalize_chunks(chunks or _default_chunks(info, len(shape)), shape))


def _chunk_windows(array):
    """(delayed chunk, (col, row, width, height, first band)) for every chunk."""
    rows, cols = array.chunks[-2], array.chunks[-1]
    band_starts = np.cumsum((0,) + array.chunks[0][:-1]) if array.ndim == 3 else [0]
    row_starts = np.cumsum((0,) + rows[:-1])
    col_starts = np.cumsum((0,) + cols[:-1])
    blocks = array.to_delayed()
    for index in itertools.product(*(range(n) for n in blocks.shape)):
        i, j = index[-2], index[-1]
        first = int(band_starts[index[0]]) + 1 if array.ndim == 3 else 1
        yield blocks[index], (int(col_starts[j]), int(row_starts[i]), cols[j], rows[i], first)


def _completed(array, in_flight):
    """Computed chunks with their windows as they finish, at most `in_flight`
    computed or computing at once."""
    try:
        from dask.distributed import as_completed, get_client

        client = get_client()
    except (ImportError, ValueError):
        client = None
    pending = _chunk_windows(array)
    if client is not None:
        windows = {}
        batch = as_completed()
        for chunk, window in itertools.islice(pending, in_flight):
            future = client.compute(chunk)
            windows[future.key] = window
            batch.add(future)
        for future in batch:
            yield future.result(), windows.pop(future.key)
            future.release()
            for chunk, window in itertools.islice(pending, 1):
                nxt = client.compute(chunk)
                windows[nxt.key] = window
                batch.add(nxt)
        return
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, in_flight // 2)) as pool:
        running = {pool.submit(c.compute, scheduler="sync"): w for c, w in itertools.islice(pending, in_flight)}
        while running:
            done, _ = concurrent.futures.wait(running, return_when=concurrent.futures.FIRST_COMPLETED)
            for future in done:
                yield future.result(), running.pop(future)
                for chunk, window in itertools.islice(pending, 1):
                    running[pool.submit(chunk.compute, scheduler="sync")] = window


def write(array, path, in_flight=None, overviews=None, resampling="average", **create_raster_kwargs):
    """Computes the dask array `array` ((rows, cols) or (bands, rows, cols))
    and writes it to `path` through one writer; chunks are written in the
    order they complete, at most `in_flight` held at once (twice the cores
    by default). Keyword arguments are create_raster's; `overviews` (a list
    of factors, or 'auto') builds overviews before closing."""
    if array.ndim not in (2, 3):
        raise ValueError("write takes (rows, cols) or (bands, rows, cols) arrays")
    count = 1 if array.ndim == 2 else array.shape[0]
    in_flight = in_flight or 2 * (os.cpu_count() or 1)
    with create_raster(path, array.shape[-1], array.shape[-2], count, array.dtype, **create_raster_kwargs) as dst:
        for data, window in _completed(array, in_flight):
            data = np.asarray(data)
            first = window[4]
            bands = first if data.ndim == 2 else list(range(first, first + data.shape[0]))
            dst.write(data, indexes=bands, window=window[:4])
        if overviews is not None:
            dst.build_overviews(None if overviews == "auto" else overviews, resampling)
