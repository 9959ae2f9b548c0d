#!/usr/bin/env python3
"""Draws resources/marker.png, the marker picture of `make run`: a 25 x 25
red dot with a white rim on a transparent background, its centre on the
middle pixel (12, 12); and marker@2x.png and marker@3x.png, the same at 2
and 3 pixels per point. Standard library only; run once and commit the
result."""
import math
import struct
import zlib
from pathlib import Path

SIZE = 25
CENTRE = 12.5
RED = (214, 39, 40)
WHITE = (255, 255, 255)


def pixel(x, y, scale):
    distance = math.hypot((x + 0.5) / scale - CENTRE, (y + 0.5) / scale - CENTRE)
    if distance <= 9:
        return RED + (255,)
    if distance <= 12:
        return WHITE + (255,)
    return (0, 0, 0, 0)


def chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def picture(scale):
    side = SIZE * scale
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y, scale)) for x in range(side)) for y in range(side))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    return png


def main():
    folder = Path(__file__).resolve().parent.parent / "resources"
    for scale in (1, 2, 3):
        suffix = "" if scale == 1 else f"@{scale}x"
        (folder / f"marker{suffix}.png").write_bytes(picture(scale))


if __name__ == "__main__":
    main()
