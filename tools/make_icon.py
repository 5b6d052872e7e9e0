#!/usr/bin/env python3
"""Draws BeatStrip's application icon: a white strip of coloured note blocks on a dark tile, with
the yellow beat cursor across it. One list of shapes gives both the scalable SVG and the 48, 128
and 256 pixel PNGs of the hicolor theme, under desktop/icons/hicolor/. Edges are anti-aliased by
supersampling, as in make_triangles.py.

Run from anywhere: python3 tools/make_icon.py
"""
import os
import struct
import zlib

ICON_ID = "org.beatstrip.BeatStrip"
# Drawn on a 256-unit grid; each size scales it.
GRID = 256
SIZES = (48, 128, 256)

# (x, y, width, height, corner radius, colour), painted in order.
SHAPES = [
    (16, 16, 224, 224, 44, (35, 40, 58)),        # the dark tile
    (32, 68, 192, 120, 14, (246, 244, 238)),     # the strip
    (44, 82, 52, 22, 5, (229, 72, 77)),          # note blocks
    (104, 106, 40, 22, 5, (245, 158, 11)),
    (150, 90, 62, 22, 5, (48, 164, 108)),
    (56, 142, 64, 22, 5, (62, 99, 221)),
    (150, 132, 56, 22, 5, (142, 78, 198)),
    (124, 50, 10, 156, 5, (255, 204, 41)),       # the beat cursor
]


def inside(shape, px, py):
    x, y, w, h, r, _ = shape
    if px < x or px > x + w or py < y or py > y + h:
        return False
    # Distance into the nearest corner's quarter circle, if the point is in a corner square.
    cx = min(max(px, x + r), x + w - r)
    cy = min(max(py, y + r), y + h - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def coverage(shape, x0, y0, scale, samples):
    """How much of the pixel whose top-left corner is (x0, y0) in pixels the shape covers."""
    x, y, w, h, r, _ = shape
    gx0, gy0, gx1, gy1 = x0 / scale, y0 / scale, (x0 + 1) / scale, (y0 + 1) / scale
    if gx1 <= x or gx0 >= x + w or gy1 <= y or gy0 >= y + h:
        return 0.0
    if (x + r <= gx0 and gx1 <= x + w - r and y <= gy0 and gy1 <= y + h) or \
       (x <= gx0 and gx1 <= x + w and y + r <= gy0 and gy1 <= y + h - r):
        return 1.0
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(shape, (x0 + (sx + 0.5) / samples) / scale, (y0 + (sy + 0.5) / samples) / scale):
                hits += 1
    return hits / (samples * samples)


def render(size):
    scale = size / GRID
    samples = 8 if size <= 64 else 4
    # Straight-alpha RGBA, composited shape over shape.
    pixels = [[(0.0, 0.0, 0.0, 0.0) for _ in range(size)] for _ in range(size)]
    for shape in SHAPES:
        x, y, w, h, _, colour = shape
        for py in range(max(0, int(y * scale) - 1), min(size, int((y + h) * scale) + 2)):
            row = pixels[py]
            for px in range(max(0, int(x * scale) - 1), min(size, int((x + w) * scale) + 2)):
                a = coverage(shape, px, py, scale, samples)
                if a == 0:
                    continue
                r0, g0, b0, a0 = row[px]
                out = a + a0 * (1 - a)
                mix = lambda s, d: (s * a + d * a0 * (1 - a)) / out
                row[px] = (mix(colour[0], r0), mix(colour[1], g0), mix(colour[2], b0), out)
    return png(size, [[(round(r), round(g), round(b), round(a * 255)) for r, g, b, a in row] for row in pixels])


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def svg():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
             % (GRID, GRID, GRID, GRID)]
    for x, y, w, h, r, (cr, cg, cb) in SHAPES:
        lines.append('  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="#%02x%02x%02x"/>'
                     % (x, y, w, h, r, cr, cg, cb))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    theme = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop", "icons", "hicolor")
    write(os.path.join(theme, "scalable", "apps", ICON_ID + ".svg"), svg().encode())
    for size in SIZES:
        write(os.path.join(theme, "%dx%d" % (size, size), "apps", ICON_ID + ".png"), render(size))


if __name__ == "__main__":
    main()
