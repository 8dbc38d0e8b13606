#!/usr/bin/env python3
"""Peak memory and time of statistics over a 6000 x 4000 24-bit BMP (72 MB):
velmora's blocks() under a 32 MiB limit (examples/blocks.py) beside Pillow
decoding the whole image into numpy, each in its own process, in one run.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_blocks.py [WORK_DIR]
"""

import os
import struct
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLE = os.path.join(HERE, "..", "examples", "blocks.py")
PILLOW = """
import resource, sys, numpy as np
from PIL import Image
a = np.asarray(Image.open(sys.argv[1]))
print(a.reshape(-1, 3).mean(axis=0))
print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
"""


def make_bmp(path, width=6000, height=4000):
    stride = width * 3
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 54 + stride * height, 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, stride * height, 2835, 2835, 0, 0))
        x = np.arange(width, dtype=np.uint32)
        for y in range(height):
            row = np.empty((width, 3), np.uint8)
            row[:, 0], row[:, 1], row[:, 2] = (x + y) & 255, (x * 3) & 255, y & 255
            f.write(row.tobytes())


def peak_of(command):
    """Seconds and peak resident KiB of a command (from time -f)."""
    start = time.monotonic()
    done = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, capture_output=True, text=True, check=True)
    return time.monotonic() - start, int(done.stderr.strip().splitlines()[-1])


def main():
    work = sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp()
    image = os.path.join(work, "big.bmp")
    if not os.path.exists(image):
        make_bmp(image)
    blocks_s, blocks_kib = peak_of([sys.executable, EXAMPLE, image, "--memory-limit", "32"])
    pillow_s, pillow_kib = peak_of([sys.executable, "-c", PILLOW, image])
    print(f"velmora blocks (32 MiB limit): {blocks_s:.2f} s, peak {blocks_kib / 1024:.0f} MiB")
    print(f"Pillow whole image:            {pillow_s:.2f} s, peak {pillow_kib / 1024:.0f} MiB")
    print(f"ratio velmora/Pillow: time {blocks_s / pillow_s:.2f}x, peak memory {blocks_kib / pillow_kib:.2f}x")


if __name__ == "__main__":
    main()
