#!/usr/bin/env python3
"""Writes a 16384 x 16384 interlaced PNG of 16-bit RGB (about 1.7 MB, 1.6 GB once decoded), a
gentle gradient, streamed through zlib so that making it takes little memory.

Usage: python3 bench/make_huge_png.py OUT.png
"""
import struct
import sys
import zlib

WIDTH = HEIGHT = 16384
# Adam7: each pass's first column and row, and its steps across and down.
PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def main(path):
    with open(path, "wb") as out:
        def chunk(kind, data):
            out.write(struct.pack(">I", len(data)) + kind + data +
                      struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

        out.write(b"\x89PNG\r\n\x1a\n")
        chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 16, 2, 0, 0, 1))
        packer = zlib.compressobj(9)
        for x0, y0, dx, dy in PASSES:
            width = (WIDTH - x0 + dx - 1) // dx
            for y in range(y0, HEIGHT, dy):
                red = (y * 255 // HEIGHT) * 257
                # Filter "Sub": the first pixel, then no difference: one colour a row.
                row = b"\x01" + struct.pack(">HHH", red, 0x8000, 0xFFFF - red) + b"\x00" * (6 * (width - 1))
                packed = packer.compress(row)
                if packed:
                    chunk(b"IDAT", packed)
        chunk(b"IDAT", packer.flush())
        chunk(b"IEND", b"")


if __name__ == "__main__":
    main(sys.argv[1])
