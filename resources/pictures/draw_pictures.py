#!/usr/bin/env python3
"""Draws the program's own pictures as PNG files beside this script.

Each picture is a few simple shapes, sampled 4 by 4 times per pixel for
smooth edges. Run it again after changing a shape; the PNG files are
committed so that the build needs no Python.
"""
import math
import os
import struct
import zlib

SAMPLES = 4


def write_png(path, size, pixel):
    rows = []
    for y in range(size):
        row = bytearray([0])  # filter: none
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    px = (x + (sx + 0.5) / SAMPLES) / size
                    py = (y + (sy + 0.5) / SAMPLES) / size
                    r, g, b, a = pixel(px, py)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                color = [min(255, round(c / acc[3])) for c in acc[:3]]
            else:
                color = [0, 0, 0]
            row += bytes(color + [round(alpha * 255)])
        rows.append(bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def near_polyline(px, py, points, width):
    return any(segment_distance(px, py, *points[i], *points[i + 1]) <= width / 2
               for i in range(len(points) - 1))


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


CLEAR = (0, 0, 0, 0.0)


def logo(px, py):
    """A blue disc with a white upward arrow over a bar: an update."""
    d = math.hypot(px - 0.5, py - 0.5)
    if d > 0.47:
        return CLEAR
    if d > 0.43:
        return (20, 50, 140, 1.0)
    if near_polyline(px, py, [(0.30, 0.50), (0.50, 0.28), (0.70, 0.50)], 0.11) or \
            near_polyline(px, py, [(0.50, 0.30), (0.50, 0.66)], 0.11) or \
            near_polyline(px, py, [(0.32, 0.74), (0.68, 0.74)], 0.08):
        return (255, 255, 255, 1.0)
    return mix((70, 130, 230), (30, 70, 180), py) + (1.0,)


def globe(px, py):
    """A globe: a blue disc with two meridians and three parallels."""
    x, y = px - 0.5, py - 0.5
    d = math.hypot(x, y)
    if d > 0.46:
        return CLEAR
    line = (255, 255, 255, 1.0)
    if d > 0.40:
        return (25, 80, 160, 1.0)
    if abs(x) < 0.035 or abs(y) < 0.035:
        return line
    if abs(abs(y) - 0.2) < 0.03:
        return line
    ellipse = (x / 0.2) ** 2 + (y / 0.42) ** 2
    if abs(ellipse - 1.0) < 0.18:
        return line
    return mix((90, 170, 240), (40, 110, 200), py) + (1.0,)


def go(px, py):
    """A green disc with a white triangle pointing right."""
    x, y = px - 0.5, py - 0.5
    if math.hypot(x, y) > 0.47:
        return CLEAR
    # the triangle (0.38,0.27) (0.38,0.73) (0.74,0.5)
    if px >= 0.38 and abs(y) <= (0.74 - px) * (0.23 / 0.36):
        return (255, 255, 255, 1.0)
    return mix((90, 190, 80), (40, 140, 40), py) + (1.0,)


def close(px, py):
    """A grey rounded square with a white cross."""
    x, y = abs(px - 0.5), abs(py - 0.5)
    corner = 0.12
    if x > 0.47 or y > 0.47:
        return CLEAR
    if x > 0.47 - corner and y > 0.47 - corner and \
            math.hypot(x - (0.47 - corner), y - (0.47 - corner)) > corner:
        return CLEAR
    if near_polyline(px, py, [(0.28, 0.28), (0.72, 0.72)], 0.14) or \
            near_polyline(px, py, [(0.72, 0.28), (0.28, 0.72)], 0.14):
        return (255, 255, 255, 1.0)
    return mix((150, 150, 160), (100, 100, 112), py) + (1.0,)


def app_icon(px, py):
    """The program's own icon: a teal rounded square holding a white
    downward arrow that lands on a tray."""
    x, y = abs(px - 0.5), abs(py - 0.5)
    half, corner = 0.47, 0.16
    if x > half or y > half:
        return CLEAR
    if x > half - corner and y > half - corner and \
            math.hypot(x - (half - corner), y - (half - corner)) > corner:
        return CLEAR
    white = (255, 255, 255, 1.0)
    if near_polyline(px, py, [(0.50, 0.20), (0.50, 0.60)], 0.12) or \
            near_polyline(px, py, [(0.31, 0.44), (0.50, 0.63), (0.69, 0.44)], 0.12):
        return white
    if near_polyline(px, py, [(0.24, 0.66), (0.24, 0.78), (0.76, 0.78), (0.76, 0.66)], 0.08):
        return white
    return mix((40, 180, 170), (15, 105, 115), py) + (1.0,)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_png(os.path.join(here, "logo64.png"), 64, logo)
    write_png(os.path.join(here, "popuplogo32.png"), 32, logo)
    write_png(os.path.join(here, "globe24.png"), 24, globe)
    write_png(os.path.join(here, "go16.png"), 16, go)
    write_png(os.path.join(here, "close16.png"), 16, close)
    for size in (16, 32, 48, 256):
        write_png(os.path.join(here, "vantrel%d.png" % size), size, app_icon)
