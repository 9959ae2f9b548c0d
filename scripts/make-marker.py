#!/usr/bin/env python3
"""Draws resources/marker.png, the marker picture of `make run`: a 25 x 25
red dot with a white rim on a transparent background, its centre on the
middle pixel (12, 12). Standard library only; run once and commit the
result."""
import math
import struct
import zlib
from pathlib import Path

SIZE = 25
CENTRE = 12.5
RED = (214, 39, 40)
WHITE = (255, 255, 255)


def pixel(x, y):
    distance = math.hypot(x + 0.5 - CENTRE, y + 0.5 - CENTRE)
    if distance <= 9:
        return RED + (255,)
    if distance <= 12:
        return WHITE + (255,)
    return (0, 0, 0, 0)


def chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(SIZE)) for y in range(SIZE))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    target = Path(__file__).resolve().parent.parent / "resources" / "marker.png"
    target.write_bytes(png)


if __name__ == "__main__":
    main()
