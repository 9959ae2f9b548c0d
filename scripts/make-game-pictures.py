#!/usr/bin/env python3
"""Draws the pictures of the game's objects that vantry-server serves under
/img/NAME.png and builds into itself: resources/img/NAME.png, with
NAME@2x.png and NAME@3x.png for panels of 2 and 3 pixels per point, for

  ms        the hero
  ma        the hero when a princess is in sight (arm raised, "!")
  coin      a gold coin
  princess  a princess in a pink dress with a crown

The client stands each picture's bottom centre on the object's position, so
every figure stands on a small shadow at the bottom edge. Shapes are
antialiased by 4 x 4 supersampling. Standard library only; run once and
commit the results."""
import math
import struct
import zlib
from pathlib import Path

SAMPLES = 4

GOLD = (242, 186, 36)
GOLD_DARK = (176, 118, 16)
GOLD_LIGHT = (255, 233, 140)
SKIN = (247, 205, 170)
HAIR = (96, 62, 36)
TUNIC = (40, 96, 196)
TUNIC_DARK = (26, 62, 132)
BOOTS = (70, 48, 32)
STEEL = (196, 204, 214)
DRESS = (236, 104, 168)
DRESS_DARK = (184, 58, 120)
RED = (214, 39, 40)
WHITE = (255, 255, 255)
SHADOW = (0, 0, 0, 70)


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(*points):
    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def ring(cx, cy, outer, inner):
    return lambda x, y: inner * inner < (x - cx) ** 2 + (y - cy) ** 2 <= outer * outer


def render(width, height, layers, scale):
    """layers: (shape, colour) pairs in points, painted in order; colour is RGB
    or RGBA. The picture has width x height points of scale x scale pixels."""
    rows = bytearray()
    for py in range(height * scale):
        rows.append(0)
        for px in range(width * scale):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / scale
                    y = (py + (sy + 0.5) / SAMPLES) / scale
                    sample = (0, 0, 0, 0)
                    for shape, colour in layers:
                        if shape(x, y):
                            colour = colour if len(colour) == 4 else colour + (255,)
                            alpha = colour[3] / 255
                            below = sample[3] / 255
                            out = alpha + below * (1 - alpha)
                            mix = [(colour[i] * alpha + sample[i] * below * (1 - alpha)) / out for i in range(3)]
                            sample = (*mix, out * 255)
                    weight = sample[3] / 255
                    r += sample[0] * weight
                    g += sample[1] * weight
                    b += sample[2] * weight
                    a += weight
            count = SAMPLES * SAMPLES
            if a > 0:
                rows.extend((round(r / a), round(g / a), round(b / a), round(255 * a / count)))
            else:
                rows.extend((0, 0, 0, 0))
    return png(width * scale, height * scale, bytes(rows))


def chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, rows):
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


def coin(scale):
    return render(28, 32, [
        (ellipse(14, 29.5, 8, 2.2), SHADOW),
        (circle(14, 14, 12), GOLD_DARK),
        (circle(14, 14, 10.2), GOLD),
        (ring(14, 14, 7.6, 6.4), GOLD_DARK),
        (polygon((10, 9), (12, 9), (14, 16), (16, 9), (18, 9), (15, 19), (13, 19)), GOLD_DARK),
        (ellipse(9.5, 8.5, 2.6, 1.6), GOLD_LIGHT),
    ], scale)


def hero(raised_arm, scale):
    layers = [
        (ellipse(16, 41.5, 9, 2.2), SHADOW),
        (rect(11, 30, 14.5, 40), BOOTS),
        (rect(17.5, 30, 21, 40), BOOTS),
        (polygon((9, 18), (23, 18), (25, 32), (7, 32)), TUNIC),
        (rect(9, 26, 23, 28), TUNIC_DARK),
        (circle(16, 11, 6.5), SKIN),
        (polygon((9.5, 10), (10.5, 5), (16, 3.5), (21.5, 5), (22.5, 10), (19, 7), (13, 7)), HAIR),
        (circle(13.6, 11.5, 0.9), HAIR),
        (circle(18.4, 11.5, 0.9), HAIR),
        (polygon((24, 22), (26, 22), (26, 37), (25, 39), (24, 37)), STEEL),
        (rect(22.5, 21, 27.5, 22.5), BOOTS),
    ]
    if raised_arm:
        layers += [
            (polygon((7, 19), (10, 20), (6, 9), (3, 10)), TUNIC),
            (circle(4.5, 8.5, 2.2), SKIN),
            (rect(27, 1, 30.5, 9), RED),
            (circle(28.75, 12.2, 1.8), RED),
        ]
    else:
        layers += [
            (polygon((9, 18), (6, 28), (8.5, 29), (11, 20)), TUNIC),
            (circle(7.2, 29.5, 2), SKIN),
        ]
    return render(32, 44, layers, scale)


def princess(scale):
    return render(32, 44, [
        (ellipse(16, 41.5, 10, 2.2), SHADOW),
        (polygon((12, 18), (20, 18), (27, 40), (5, 40)), DRESS),
        (polygon((5, 40), (27, 40), (26.2, 37.5), (5.8, 37.5)), DRESS_DARK),
        (rect(12, 21, 20, 23), DRESS_DARK),
        (polygon((10, 6), (22, 6), (24, 24), (8, 24)), GOLD_DARK),
        (circle(16, 12, 6.2), SKIN),
        (polygon((9.5, 11), (11, 6), (21, 6), (22.5, 11), (20, 8), (12, 8)), GOLD_DARK),
        (polygon((10.5, 6.5), (10.5, 1), (13, 4), (16, 0.5), (19, 4), (21.5, 1), (21.5, 6.5)), GOLD),
        (circle(16, 3.8, 1), RED),
        (circle(13.7, 12.5, 0.9), HAIR),
        (circle(18.3, 12.5, 0.9), HAIR),
        (ellipse(16, 15.3, 1.6, 0.7), DRESS_DARK),
    ], scale)


def main():
    folder = Path(__file__).resolve().parent.parent / "resources" / "img"
    folder.mkdir(parents=True, exist_ok=True)
    for scale in (1, 2, 3):
        suffix = "" if scale == 1 else f"@{scale}x"
        pictures = {"ms": hero(False, scale), "ma": hero(True, scale), "coin": coin(scale),
                    "princess": princess(scale)}
        for name, data in pictures.items():
            (folder / f"{name}{suffix}.png").write_bytes(data)


if __name__ == "__main__":
    main()
