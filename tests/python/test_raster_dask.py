"""velmora.dask: lazy reads on block boundaries whose graphs pickle and run
on a two-process local cluster, reads of a small slice that touch only its
blocks, and writes of computed chunks that equal the source."""

import pickle

import numpy as np
import pytest

import velmora
import velmora.dask

da = pytest.importorskip("dask.array")


@pytest.fixture
def dem(tmp_path):
    data = np.random.default_rng(2).standard_normal((3, 300, 260)).astype(np.float32)
    path = str(tmp_path / "dem.tif")
    with velmora.create_raster(path, 260, 300, 3, "float32", blocksize=64, crs_epsg=32633,
                               geotransform=(0, 1, 0, 0, 0, -1)) as dst:
        dst.write(data)
    return path, data


def test_chunks_lie_on_blocks_and_a_slice_reads_only_its_part(dem, monkeypatch):
    path, data = dem
    lazy = velmora.dask.read(path)
    assert all(c % 64 == 0 for c in lazy.chunks[1][:-1] + lazy.chunks[2][:-1])
    windows = []
    real_read = velmora.Raster.read
    monkeypatch.setattr(velmora.Raster, "read", lambda self, *a, **k: windows.append(k["window"]) or real_read(self, *a, **k))
    part = lazy[1, 70:75, 10:20].compute(scheduler="sync")
    np.testing.assert_array_equal(part, data[1, 70:75, 10:20])
    assert windows == [(10, 70, 10, 5)]
    assert pickle.loads(pickle.dumps(lazy[0])).sum().compute(scheduler="sync") == pytest.approx(data[0].sum(), rel=1e-4)


@pytest.mark.parametrize("chunks", [None, (2, 50, 70)])
def test_round_trip_through_threads_equals_the_source(dem, tmp_path, chunks):
    path, data = dem
    out = str(tmp_path / "out.tif")
    velmora.dask.write(velmora.dask.read(path, chunks=chunks) * 2, out, in_flight=3, cog=True, blocksize=32)
    np.testing.assert_array_equal(velmora.open_raster(out).read(), data * 2)


def test_round_trip_on_a_local_cluster(dem, tmp_path):
    from dask.distributed import Client, LocalCluster

    path, data = dem
    out = str(tmp_path / "cluster.tif")
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=None) as cluster, Client(cluster):
        lazy = velmora.dask.read(path, band=2, chunks=(64, 128))
        velmora.dask.write(lazy + 1, out, compress="zstd", crs_epsg=32633)
    np.testing.assert_array_equal(velmora.open_raster(out).read(1), data[1] + 1)
    assert velmora.open_raster(out).crs_epsg == 32633
