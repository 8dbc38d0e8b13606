#!/usr/bin/env python3
"""Writes a thumbnail of an image: python3 thumbnail.py IN OUT.bmp [SIZE]

Reads any format the library knows (the format from the file's content),
shows the reading progress, makes a thumbnail within SIZE x SIZE (256 by
default) with the picture's proportions, and saves it (format from OUT's
extension; BMP and TIFF hold 24-bit pictures)."""

import sys

import velmora


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    source, target = argv[1], argv[2]
    size = int(argv[3]) if len(argv) == 4 else 256
    try:
        image = velmora.open(source, progress=lambda p: print(f"\rreading {p:3d}%", end="", file=sys.stderr))
        print(file=sys.stderr)
        small = image.thumbnail(size)  # a new velmora.Image
        small.save(target)
    except velmora.Error as e:
        print(f"\n{e}" + (f" ({e.text})" if e.text else ""), file=sys.stderr)
        return 1
    print(f"{source}: {image.width} x {image.height}, {image.bit_count}-bit -> "
          f"{target}: {small.width} x {small.height}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
