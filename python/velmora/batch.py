"""Converting many image files on a Dask cluster, one task per file.

    python3 -m velmora.batch --to png --out-dir out/ [--rotate right] [--flip vertical]
        [--invert] [--thumbnail 256] [--workers 4 | --scheduler tcp://host:8786] FILE...

Without --scheduler a local cluster of worker processes is started on the
loopback (--workers of them, by default one per core) and stopped at the end.
Each file is converted as `velmora convert` converts it (an image the format
cannot hold is widened or reduced first). Each file's outcome is printed as it
comes in; a file that fails fails alone, and the exit status is 1 when any
did; two inputs that would be saved as one file are refused before anything
is converted (exit status 2). From Python:

    outcomes = velmora.batch.convert(files, to="png", out_dir="out", client=None)

Every worker needs the velmora package importable and the files (inputs and
--out-dir) at the same paths: see docs/SCALING.md.
"""

import argparse
import os
import sys
from dataclasses import dataclass
from typing import Iterable, List, Optional


def _format_names():
    from . import formats

    return tuple(name for f in formats() for name in f.extensions)


# Every name of every format the library writes ("bmp", "tif", "tiff", ...).
FORMATS = _format_names()


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
    """Where a file goes: out_dir/<its name less the extension>.<the format's extension>."""
    import velmora

    return velmora.batch_outputs([path], out_dir, to)[0]


def convert_one(path, to, out_dir, rotate=None, flip=None, invert=False, thumbnail=None, out=None) -> Outcome:
    """Converts one file as `velmora convert` does (depths the format cannot
    hold are fitted to it); never raises, the failure is in the outcome. This
    is the task each worker runs."""
    import velmora

    out = out or output_path(path, to, out_dir)
    steps = [step for step in (rotate, flip, "invert" if invert else None) if step]
    try:
        velmora.convert_file(path, out, format=to, transforms=steps, thumbnail=thumbnail or 0)
        return Outcome(path, out, True)
    except velmora.Error as e:
        reason = str(e) + (f" [{e.text}]" if e.text else "")
        return Outcome(path, None, False, reason)
    except Exception as e:  # a worker must report every file, whatever went wrong
        return Outcome(path, None, False, f"{type(e).__name__}: {e}")


def _task(path, out, to, **steps) -> Outcome:
    return convert_one(path, to, os.path.dirname(out), out=out, **steps)


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
    import velmora

    files = [os.path.abspath(f) for f in files]
    out_dir = os.path.abspath(out_dir)
    # Two inputs of one name would both report "done" into one output: refused before anything is written.
    outputs = velmora.batch_outputs(files, out_dir, to)
    os.makedirs(out_dir, exist_ok=True)
    cluster = None
    if client is None:
        client, cluster = _local_client(workers)
    try:
        futures = client.map(
            _task, files, outputs, to=to, rotate=rotate, flip=flip, invert=invert, thumbnail=thumbnail, pure=False,
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
    import velmora

    try:
        outcomes = convert(
            args.files, args.to, args.out_dir, client=client, rotate=args.rotate, flip=args.flip,
            invert=args.invert, thumbnail=args.thumbnail, workers=args.workers,
            on_outcome=lambda o: print(o, flush=True),
        )
    except velmora.Error as e:  # two inputs of one name: nothing was converted
        print(f"velmora.batch: {e}", file=sys.stderr, flush=True)
        return 2
    finally:
        if client is not None:
            client.close()
    failed = sum(1 for o in outcomes if not o.ok)
    print(f"{len(outcomes) - failed} converted, {failed} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
