#!/usr/bin/env python3
"""Writes the tiny bitmaps of the class-layer tests' resources.

The pixel formulas are repeated in TestSupport.h (BlockColor, WideColor,
PaletteColor); change both together.
    make_test_bitmaps.py OUTPUT_DIR
"""
import os
import struct
import sys


def bmp(width, height, bits, pixel, palette=()):
    """A bottom-up BI_RGB file; pixel(x, y) is (r, g, b) or a palette index."""
    row = ((width * bits + 31) // 32) * 4
    rows = []
    for y in reversed(range(height)):
        if bits == 24:
            data = b"".join(bytes((b, g, r)) for r, g, b in (pixel(x, y) for x in range(width)))
        else:
            data = bytes(pixel(x, y) for x in range(width))
        rows.append(data.ljust(row, b"\0"))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, row * height, 2835, 2835,
                       len(palette), 0)
    body = info + table + b"".join(rows)
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, offset) + body


def main(out):
    os.makedirs(out, exist_ok=True)
    images = {
        "blocks24.bmp": bmp(4, 3, 24, lambda x, y: (60 * x + 15, 100 * y + 30, 255 - 60 * x)),
        "wide24.bmp": bmp(105, 5, 24, lambda x, y: (2 * x, 50 * y, 255 - 2 * x)),
        "indexed8.bmp": bmp(4, 2, 8, lambda x, y: x + 4 * y,
                            [(30 * i, 255 - 30 * i, 100) for i in range(8)]),
    }
    for name, data in images.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
