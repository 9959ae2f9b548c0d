#!/usr/bin/env python3
"""Draws resources/loading.png, the picture a map tile shows while it loads:
256 x 256 pixels of light warm grey with a faint grid every 32 pixels and a
slightly stronger one every 128, so an empty map still reads as a map.
Standard library only; run once and commit the result."""
import struct
import sys
import zlib
from pathlib import Path

SIZE = 256
BACKGROUND = (236, 234, 230)
MINOR_LINE = (228, 226, 221)
MAJOR_LINE = (219, 216, 210)


def pixel(x, y):
    if x % 128 == 0 or y % 128 == 0:
        return MAJOR_LINE
    if x % 32 == 0 or y % 32 == 0:
        return MINOR_LINE
    return BACKGROUND


def chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)  # no filter
        for x in range(SIZE):
            rows.extend(pixel(x, y))
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)  # 8-bit RGB
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources" / "loading.png"
    target.write_bytes(png)


if __name__ == "__main__":
    main()
