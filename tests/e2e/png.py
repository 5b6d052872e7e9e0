"""Reads 8-bit RGB and RGBA PNG files (what Cairo writes) for the end-to-end checks, without
any imaging library: python3 png.py FILE prints the size and the number of distinct colours."""
import struct
import sys
import zlib


def read(path):
    """Returns (width, height, rows) where rows[y][x] is an (r, g, b, a) tuple."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s is not a PNG" % path)
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour not in (2, 6):
                raise ValueError("unsupported PNG kind: depth %d colour %d" % (depth, colour))
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, i = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[x] = (line[x] + pred) & 255
        previous = line
        if channels == 3:
            rows.append([tuple(line[x:x + 3]) + (255,) for x in range(0, stride, 3)])
        else:
            rows.append([tuple(line[x:x + 4]) for x in range(0, stride, 4)])
    return width, height, rows


def distinct_colours(rows):
    return len({pixel for row in rows for pixel in row})


def near(pixel, expected, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel[:3], expected[:3]))


if __name__ == "__main__":
    w, h, rows = read(sys.argv[1])
    print(w, h, distinct_colours(rows))
