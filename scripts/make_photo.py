#!/usr/bin/env python3
"""Draws a photo for the screenshots: the sunset of res/make_pictures.py at a camera's size,
stored as a phone stores a picture taken upright, turned a quarter anticlockwise with an EXIF
orientation (6) that tells viewers to turn it back. Writes the pixels as a binary PPM; the caller
compresses it to JPEG, then adds the EXIF block with --exif.

Usage: python3 scripts/make_photo.py WIDTH HEIGHT OUT.ppm     (the upright size)
       python3 scripts/make_photo.py --exif IN.jpg OUT.jpg
"""

import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res"))
from make_pictures import scene  # noqa: E402


def draw(width, height, path):
    aspect = height / width
    upright = [[scene((x + 0.5) / width, (y + 0.5) / height, aspect) for x in range(width)]
               for y in range(height)]
    # Stored a quarter turn anticlockwise: stored (sx, sy) shows at upright (width-1-sy, sx).
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (height, width))
        for sy in range(width):
            row = bytearray()
            for sx in range(height):
                row.extend(int(round(c)) for c in upright[sx][width - 1 - sy])
            out.write(row)


def add_exif(source, target):
    """Puts an APP1 Exif block with orientation 6 right after the JPEG's start marker."""
    with open(source, "rb") as f:
        jpeg = f.read()
    if jpeg[:2] != b"\xff\xd8":
        raise SystemExit("%s is not a JPEG" % source)
    tiff = b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", 1)
    tiff += struct.pack("<HHII", 0x0112, 3, 1, 6) + struct.pack("<I", 0)
    body = b"Exif\x00\x00" + tiff
    app1 = b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body
    # After a JFIF header, if there is one, which readers expect first.
    at = 2
    if jpeg[2:4] == b"\xff\xe0":
        at = 4 + struct.unpack(">H", jpeg[4:6])[0]
    with open(target, "wb") as f:
        f.write(jpeg[:at] + app1 + jpeg[at:])


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--exif":
        add_exif(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4:
        draw(int(sys.argv[1]), int(sys.argv[2]), sys.argv[3])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
