#!/usr/bin/env python3
"""Statistics of an image larger than memory, block by block:
python3 blocks.py IMAGE [--memory-limit MIB] [--rows N]

With the memory limit (32 MiB by default) below the image's size, the image
is read into a page file and only one window of its rows is mapped at a
time; blocks() hands the rows out as numpy arrays of at most N rows, so the
process never holds more than a block and a window, however large the image.
Prints the mean and the extremes of each channel (of the colours, for images
with a palette) and the peak resident memory."""

import argparse
import resource

import numpy as np

import velmora


def main():
    parser = argparse.ArgumentParser(description="Per-channel statistics, block by block.")
    parser.add_argument("image")
    parser.add_argument("--memory-limit", type=int, default=32, metavar="MIB")
    parser.add_argument("--rows", type=int, default=256, metavar="N")
    args = parser.parse_args()

    velmora.set_memory_limit(args.memory_limit << 20)
    image = velmora.open(args.image)
    palette = image.palette
    count = 0
    total = lowest = highest = None
    for top, block in image.blocks(rows=args.rows):
        pixels = palette[block] if palette is not None else block  # indices to colours
        pixels = pixels.reshape(-1, pixels.shape[-1]) if pixels.ndim == 3 else pixels.reshape(-1, 1)
        sums = pixels.sum(axis=0, dtype=np.uint64)
        total = sums if total is None else total + sums
        lowest = pixels.min(axis=0) if lowest is None else np.minimum(lowest, pixels.min(axis=0))
        highest = pixels.max(axis=0) if highest is None else np.maximum(highest, pixels.max(axis=0))
        count += pixels.shape[0]
    names = "RGBA" if total.size > 1 else "I"
    print(f"{args.image}: {image.width} x {image.height}, {image.bit_count}-bit, "
          f"{'page file' if image.in_page_file else 'in memory'}")
    for i, name in enumerate(names[: total.size]):
        print(f"  {name}: mean {total[i] / count:.3f}, min {lowest[i]}, max {highest[i]}")
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(f"  peak resident memory: {peak:.0f} MiB")


if __name__ == "__main__":
    main()
