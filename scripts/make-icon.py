#!/usr/bin/env python3
"""Draws the game's icon, app.vantry.Vantry, into packaging/icons/hicolor:
scalable/apps/app.vantry.Vantry.svg and SIZExSIZE/apps/app.vantry.Vantry.png
for each size the desktops ask for. The icon is a street map with a red
location pin whose head holds the game's gold coin, on a rounded square.

Each shape is drawn once, on a 64 x 64 canvas, both as an SVG element and
(through make-game-pictures.py's renderer, 4 x 4 supersampled) into every
PNG, so the pictures cannot drift apart. Standard library only; run once and
commit the results."""
import importlib.util
from pathlib import Path

CANVAS = 64
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
NAME = "app.vantry.Vantry"

_spec = importlib.util.spec_from_file_location("pictures", Path(__file__).with_name("make-game-pictures.py"))
pictures = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(pictures)

PARK = (124, 186, 96)
PARK_DARK = (84, 140, 64)
STREET = (255, 244, 214)
PIN = pictures.RED
PIN_DARK = (150, 22, 24)


def hex_colour(colour):
    return "#%02x%02x%02x" % colour[:3]


def fill(colour):
    text = f'fill="{hex_colour(colour)}"'
    if len(colour) == 4:
        text += f' fill-opacity="{colour[3] / 255:.3g}"'
    return text


class Circle:
    def __init__(self, cx, cy, r):
        self.contains = pictures.circle(cx, cy, r)
        self.element = f'<circle cx="{cx:g}" cy="{cy:g}" r="{r:g}"'


class Ellipse:
    def __init__(self, cx, cy, rx, ry):
        self.contains = pictures.ellipse(cx, cy, rx, ry)
        self.element = f'<ellipse cx="{cx:g}" cy="{cy:g}" rx="{rx:g}" ry="{ry:g}"'


class Polygon:
    def __init__(self, *points):
        self.contains = pictures.polygon(*points)
        self.element = '<polygon points="' + " ".join(f"{x:g},{y:g}" for x, y in points) + '"'


class RoundedSquare:
    def __init__(self, x0, y0, x1, y1, r):
        inner_x0, inner_y0, inner_x1, inner_y1 = x0 + r, y0 + r, x1 - r, y1 - r

        def contains(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            dx = max(inner_x0 - x, 0, x - inner_x1)
            dy = max(inner_y0 - y, 0, y - inner_y1)
            return dx * dx + dy * dy <= r * r
        self.contains = contains
        self.element = f'<rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}" rx="{r:g}"'


def pin(cx, cy, r, tip):
    """A map pin: a round head of radius r at (cx, cy), its sides tangent to
    the head down to the tip at (cx, tip)."""
    distance = tip - cy
    cos = r / distance
    sin = (1 - cos * cos) ** 0.5
    return [Circle(cx, cy, r), Polygon((cx - r * sin, cy + r * cos), (cx + r * sin, cy + r * cos), (cx, tip))]


def layers():
    """(shape, colour) pairs on the 64 x 64 canvas, painted in order."""
    return [
        (RoundedSquare(4, 4, 60, 60, 12), PARK_DARK),
        (RoundedSquare(5, 5, 59, 59, 11), PARK),
        (Polygon((5, 40), (59, 40), (59, 46), (5, 46)), STREET),
        (Polygon((17, 5), (23, 5), (23, 59), (17, 59)), STREET),
        (Ellipse(38, 53.5, 8, 2.4), pictures.SHADOW),
        *[(shape, PIN_DARK) for shape in pin(38, 24, 15.5, 54)],
        *[(shape, PIN) for shape in pin(38, 24, 14, 52)],
        (Circle(38, 24, 9.5), pictures.GOLD_DARK),
        (Circle(38, 24, 8), pictures.GOLD),
        (Polygon((34.5, 19.5), (36.3, 19.5), (38, 25.5), (39.7, 19.5), (41.5, 19.5), (38.9, 28), (37.1, 28)),
         pictures.GOLD_DARK),
        (Ellipse(34.5, 19.8, 2.2, 1.3), pictures.GOLD_LIGHT),
    ]


def svg():
    body = "\n".join(f"  {shape.element} {fill(colour)}/>" for shape, colour in layers())
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{CANVAS}" height="{CANVAS}" '
            f'viewBox="0 0 {CANVAS} {CANVAS}">\n{body}\n</svg>\n')


def png(size):
    zoom = CANVAS / size
    scaled = [(lambda x, y, inside=shape.contains: inside(x * zoom, y * zoom), colour)
              for shape, colour in layers()]
    return pictures.render(size, size, scaled, 1)


def main():
    theme = Path(__file__).resolve().parent.parent / "packaging" / "icons" / "hicolor"
    scalable = theme / "scalable" / "apps"
    scalable.mkdir(parents=True, exist_ok=True)
    (scalable / f"{NAME}.svg").write_text(svg())
    for size in SIZES:
        folder = theme / f"{size}x{size}" / "apps"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / f"{NAME}.png").write_bytes(png(size))


if __name__ == "__main__":
    main()
