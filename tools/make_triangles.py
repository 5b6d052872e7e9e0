#!/usr/bin/env python3
"""Draws the rise and fall marks of the score strip: assets/upper_triangle.png (pointing up) and
assets/lower_triangle.png (pointing down). They are shown at 12 x 12 points, so they are drawn at
24 x 24 pixels to stay sharp at scale 2. Edges are anti-aliased by 8 x 8 supersampling.

Run from anywhere: python3 tools/make_triangles.py
"""
import os
import struct
import zlib

SIZE = 24
SAMPLES = 8
# A dark slate fill: readable above every block colour and on the white strip.
COLOUR = (40, 40, 48)


def inside_up(x, y):
    # Apex at the top centre, base along the bottom, one pixel of margin all round.
    top, bottom, left, right = 2.0, SIZE - 2.0, 2.0, SIZE - 2.0
    if y < top or y > bottom:
        return False
    half = (y - top) / (bottom - top) * (right - left) / 2.0
    centre = SIZE / 2.0
    return centre - half <= x <= centre + half


def coverage(x, y, pointing_up):
    hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            px = x + (sx + 0.5) / SAMPLES
            py = y + (sy + 0.5) / SAMPLES
            if not pointing_up:
                py = SIZE - py
            if inside_up(px, py):
                hits += 1
    return hits / (SAMPLES * SAMPLES)


def png(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def triangle(pointing_up):
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            a = round(coverage(x, y, pointing_up) * 255)
            row.append((*COLOUR, a) if a else (0, 0, 0, 0))
        rows.append(row)
    return png(rows)


def main():
    assets = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets")
    os.makedirs(assets, exist_ok=True)
    for name, up in (("upper_triangle.png", True), ("lower_triangle.png", False)):
        with open(os.path.join(assets, name), "wb") as f:
            f.write(triangle(up))


if __name__ == "__main__":
    main()
