"""Converting many image files on a Dask cluster, one task per file.

    python3 -m velmora.batch --to png --out-dir out/ [--rotate right] [--flip vertical]
        [--invert] [--thumbnail 256] [--workers 4 | --scheduler tcp://host:8786] FILE...

Without --scheduler a local cluster of worker processes is started on the
loopback (--workers of them, by default one per core) and stopped at the end.
Each file's outcome is printed as it comes in; a file that fails fails alone,
and the exit status is 1 when any did. From Python:

    outcomes = velmora.batch.convert(files, to="png", out_dir="out", client=None)

Every worker needs the velmora package importable and the files (inputs and
--out-dir) at the same paths: see docs/SCALING.md.
"""

import argparse
import os
import sys
from dataclasses import dataclass
from typing import Iterable, List, Optional

FORMATS = ("bmp", "tif", "pcx", "gif", "jpg", "png")


@dataclass
class Outcome:
    """What became of one file: `output` is the file written (None on
    failure), `reason` the failure in English with the library's own text."""

    path: str
    output: Optional[str]
    ok: bool
    reason: str = ""

    def __str__(self):
        if self.ok:
            return f"done {self.path} -> {self.output}"
        return f"failed {self.path}: {self.reason}"


def output_path(path: str, to: str, out_dir: str) -> str:
    """Where a file goes: out_dir/<its name less the extension>.<to>."""
    stem = os.path.splitext(os.path.basename(path))[0]
    return os.path.join(out_dir, f"{stem}.{to}")


def convert_one(path, to, out_dir, rotate=None, flip=None, invert=False, thumbnail=None) -> Outcome:
    """Converts one file; never raises, the failure is in the outcome. This
    is the task each worker runs."""
    import velmora

    out = output_path(path, to, out_dir)
    try:
        image = velmora.open(path)
        if rotate:
            image.rotate(rotate)
        if flip:
            image.flip(flip)
        if invert:
            image.invert()
        if thumbnail:
            image = velmora.from_numpy(image.thumbnail(thumbnail, thumbnail))
        image.save(out)
        return Outcome(path, out, True)
    except velmora.Error as e:
        reason = str(e) + (f" [{e.text}]" if e.text else "")
        return Outcome(path, None, False, reason)
    except Exception as e:  # a worker must report every file, whatever went wrong
        return Outcome(path, None, False, f"{type(e).__name__}: {e}")


def _local_client(workers: Optional[int]):
    from dask.distributed import Client, LocalCluster

    cluster = LocalCluster(
        n_workers=workers or os.cpu_count() or 1,
        threads_per_worker=1,
        processes=True,
        host="127.0.0.1",
        dashboard_address=None,
    )
    return Client(cluster), cluster


def convert(
    files: Iterable[str],
    to: str,
    out_dir: str,
    client=None,
    rotate: Optional[str] = None,
    flip: Optional[str] = None,
    invert: bool = False,
    thumbnail: Optional[int] = None,
    workers: Optional[int] = None,
    on_outcome=None,
) -> List[Outcome]:
    """Converts `files` to format `to` into `out_dir` on `client` (a
    dask.distributed.Client), or on a local cluster of `workers` processes
    started and stopped here when client is None. Returns the outcomes in
    the order of `files`; `on_outcome` is called with each as it comes in."""
    from dask.distributed import as_completed

    to = to.lower().lstrip(".")
    if to not in FORMATS:
        raise ValueError(f"unknown format {to!r} (one of {', '.join(FORMATS)})")
    files = [os.path.abspath(f) for f in files]
    out_dir = os.path.abspath(out_dir)
    os.makedirs(out_dir, exist_ok=True)
    cluster = None
    if client is None:
        client, cluster = _local_client(workers)
    try:
        futures = client.map(
            convert_one, files, to=to, out_dir=out_dir, rotate=rotate, flip=flip, invert=invert,
            thumbnail=thumbnail, pure=False,
        )
        index = {f.key: i for i, f in enumerate(futures)}
        outcomes: List[Optional[Outcome]] = [None] * len(files)
        for future in as_completed(futures):
            i = index[future.key]
            try:
                outcome = future.result()
            except Exception as e:  # the worker itself died or the task was lost
                outcome = Outcome(files[i], None, False, f"{type(e).__name__}: {e}")
            outcomes[i] = outcome
            if on_outcome:
                on_outcome(outcome)
        return outcomes
    finally:
        if cluster is not None:
            client.close()
            cluster.close()


def _parser():
    p = argparse.ArgumentParser(
        prog="python3 -m velmora.batch",
        description="Convert many image files on a Dask cluster, one task per file.",
    )
    p.add_argument("--to", required=True, choices=FORMATS, type=str.lower, help="output format")
    p.add_argument("--out-dir", required=True, help="folder for the outputs (shared by every worker)")
    p.add_argument("--rotate", choices=("left", "right"), help="turn a quarter")
    p.add_argument("--flip", choices=("vertical", "horizontal"), help="mirror")
    p.add_argument("--invert", action="store_true", help="invert the colours")
    p.add_argument("--thumbnail", type=int, metavar="N", help="a thumbnail within N x N (24-bit)")
    where = p.add_mutually_exclusive_group()
    where.add_argument("--workers", type=int, metavar="N", help="local worker processes (default: one per core)")
    where.add_argument("--scheduler", metavar="ADDRESS", help="an existing scheduler, e.g. tcp://host:8786")
    p.add_argument("files", nargs="+", metavar="FILE")
    return p


def main(argv=None) -> int:
    args = _parser().parse_args(argv)
    if args.thumbnail is not None and args.thumbnail < 1:
        _parser().error("--thumbnail needs N >= 1")
    if args.workers is not None and args.workers < 1:
        _parser().error("--workers needs N >= 1")
    client = None
    if args.scheduler:
        from dask.distributed import Client

        client = Client(args.scheduler)
    try:
        outcomes = convert(
            args.files, args.to, args.out_dir, client=client, rotate=args.rotate, flip=args.flip,
            invert=args.invert, thumbnail=args.thumbnail, workers=args.workers,
            on_outcome=lambda o: print(o, flush=True),
        )
    finally:
        if client is not None:
            client.close()
    failed = sum(1 for o in outcomes if not o.ok)
    print(f"{len(outcomes) - failed} converted, {failed} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
