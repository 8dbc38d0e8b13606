"""velmora.batch on Dask: a local cluster of two worker processes on the
loopback, a separately started scheduler and workers, and a file that fails
alone."""

import os
import shutil
import socket
import subprocess
import sys
import time

import numpy as np
import pytest

import velmora
import velmora.batch
from conftest import DATA

distributed = pytest.importorskip("distributed")


@pytest.fixture
def inputs(tmp_path):
    folder = tmp_path / "in"
    folder.mkdir()
    for name in ("gif/fire.gif", "bmp/pal8.bmp", "bmp/rgb24.bmp", "pcx/gmarbles.pcx"):
        shutil.copy(os.path.join(DATA, name), folder)
    (folder / "broken.bmp").write_bytes(b"BM" + bytes(20))
    return sorted(str(p) for p in folder.iterdir())


def expected_turn(path):
    image = velmora.open(path)
    image.rotate("right")
    return image.to_numpy()


def test_convert_on_a_two_worker_local_cluster(inputs, tmp_path):
    from dask.distributed import Client, LocalCluster

    out = tmp_path / "out"
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=None) as cluster, Client(cluster) as client:
        outcomes = velmora.batch.convert(inputs, to="bmp", out_dir=str(out), client=client, rotate="right")
    assert [o.path for o in outcomes] == inputs
    by_name = {os.path.basename(o.path): o for o in outcomes}
    broken = by_name.pop("broken.bmp")
    assert not broken.ok and "broken.bmp" in broken.reason and broken.output is None
    for name, outcome in by_name.items():
        assert outcome.ok, outcome.reason
        np.testing.assert_array_equal(velmora.open(outcome.output).to_numpy(),
                                      expected_turn(outcome.path), err_msg=name)
    assert sorted(os.listdir(out)) == ["fire.bmp", "gmarbles.bmp", "pal8.bmp", "rgb24.bmp"]


def run_batch(args, cwd):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    return subprocess.run([sys.executable, "-m", "velmora.batch", *args], cwd=cwd, env=env,
                          capture_output=True, text=True, timeout=240)


def test_command_line_prints_each_outcome_and_fails_when_one_did(inputs, tmp_path):
    done = run_batch(["--to", "tif", "--out-dir", str(tmp_path / "tif"), "--workers", "2", "--flip", "vertical"] + inputs,
                     tmp_path)
    assert done.returncode == 1, done.stderr
    lines = done.stdout.splitlines()
    assert sum(line.startswith("done ") for line in lines) == 4
    assert [line for line in lines if line.startswith("failed ")] == [
        next(line for line in lines if "broken.bmp" in line)]
    assert lines[-1] == "4 converted, 1 failed"
    good = [p for p in inputs if "broken" not in p]
    ok = run_batch(["--to", "bmp", "--out-dir", str(tmp_path / "bmp"), "--workers", "2", "--thumbnail", "16"] + good,
                   tmp_path)
    assert ok.returncode == 0, ok.stdout + ok.stderr
    assert all(max(velmora.open(str(tmp_path / "bmp" / n)).width, velmora.open(str(tmp_path / "bmp" / n)).height) <= 16
               for n in os.listdir(tmp_path / "bmp"))
    usage = run_batch(["--to", "webp", "--out-dir", str(tmp_path), inputs[0]], tmp_path)
    assert usage.returncode == 2


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def test_a_scheduler_started_separately(inputs, tmp_path):
    port = free_port()
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    address = f"tcp://127.0.0.1:{port}"
    scheduler = subprocess.Popen([sys.executable, "-m", "distributed.cli.dask_scheduler", "--host", "127.0.0.1",
                                  "--port", str(port), "--no-dashboard"], env=env, cwd=tmp_path,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    worker = subprocess.Popen([sys.executable, "-m", "distributed.cli.dask_worker", address, "--nworkers", "2",
                               "--nthreads", "1", "--host", "127.0.0.1", "--no-dashboard"], env=env, cwd=tmp_path,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        from dask.distributed import Client

        with Client(address, timeout=60) as client:
            deadline = time.monotonic() + 60
            while len(client.scheduler_info()["workers"]) < 2 and time.monotonic() < deadline:
                time.sleep(0.2)
        done = run_batch(["--to", "gif", "--out-dir", str(tmp_path / "gif"), "--scheduler", address] + inputs, tmp_path)
        assert done.returncode == 1
        assert "4 converted, 1 failed" in done.stdout  # the broken file; the 24-bit one is reduced
    finally:
        for process in (worker, scheduler):
            process.terminate()
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()


def test_one_file_converts_as_the_tool_does_and_one_name_twice_is_refused(inputs, tmp_path):
    rgb = next(p for p in inputs if p.endswith("rgb24.bmp"))
    done = velmora.batch.convert_one(rgb, "gif", str(tmp_path))
    assert done.ok, done.reason
    assert velmora.open(done.output).bit_count == 8
    twin = tmp_path / "twin"
    twin.mkdir()
    shutil.copy(rgb, twin / "rgb24.png")
    with pytest.raises(velmora.Error) as refused:
        velmora.batch.convert([rgb, str(twin / "rgb24.png")], to="png", out_dir=str(tmp_path / "out"))
    assert refused.value.code == "invalid_argument" and "rgb24.png" in str(refused.value)
    assert not (tmp_path / "out").exists()
    assert run_batch(["--to", "png", "--out-dir", str(tmp_path / "out"), rgb, str(twin / "rgb24.png")],
                     tmp_path).returncode == 2
