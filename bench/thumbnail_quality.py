#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# PSNR of thumbnails against the exact area average of their source at each
# thumbnail's own size (every source pixel weighted by the share of it a
# thumbnail pixel covers). Usage: thumbnail_quality.py SOURCE THUMB...
import sys

import numpy as np
from PIL import Image

Image.MAX_IMAGE_PIXELS = None


def area_weights(source, target):
    """target x source matrix: row i averages the span [i, i+1) * source/target."""
    span = source / target
    starts = np.arange(target)[:, None] * span
    pixels = np.arange(source)[None, :]
    overlap = np.clip(np.minimum(pixels + 1.0, starts + span) - np.maximum(pixels, starts), 0.0, None)
    return overlap / span


def reference(image, width, height):
    rows = area_weights(image.shape[0], height)
    cols = area_weights(image.shape[1], width)
    return np.stack([rows @ image[:, :, c] @ cols.T for c in range(3)], axis=2)


def main():
    source = np.asarray(Image.open(sys.argv[1]).convert("RGB"), dtype=np.float64)
    for path in sys.argv[2:]:
        thumb = np.asarray(Image.open(path).convert("RGB"), dtype=np.float64)
        ref = reference(source, thumb.shape[1], thumb.shape[0])
        mse = np.mean((thumb - ref) ** 2)
        psnr = 99.0 if mse == 0 else 10 * np.log10(255.0 ** 2 / mse)
        print(f"{path}: {thumb.shape[1]}x{thumb.shape[0]} PSNR {psnr:.2f} dB")


if __name__ == "__main__":
    main()
