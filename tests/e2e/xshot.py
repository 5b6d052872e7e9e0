"""Reads what an X window shows (through libX11, no imaging tool) so the window scripts can wait
for a state of the screen instead of sleeping.

python3 xshot.py hash WID        prints a digest of the window's pixels (changes when it redraws)
python3 xshot.py png WID FILE    saves the window's pixels as a PNG that png.read() reads
In Python: grab(wid) returns (width, height, rows) like png.read()."""
import ctypes
import ctypes.util
import hashlib
import os
import struct
import sys
import zlib

_ZPIXMAP = 2
_ALL_PLANES = ctypes.c_ulong(~0 & 0xFFFFFFFFFFFFFFFF)


class _XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
                ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
                ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                ("screen", ctypes.c_void_p)]


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


def _x11():
    lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_XWindowAttributes)]
    lib.XGetImage.restype = ctypes.POINTER(_XImage)
    lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    lib.XFree.argtypes = [ctypes.c_void_p]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return lib


def _raw(wid):
    """(width, height, bytes as 0xAARRGGBB little-endian words, bytes per line)"""
    lib = _x11()
    display = lib.XOpenDisplay(None)
    if not display:
        raise RuntimeError("cannot open the X display %s" % os.environ.get("DISPLAY"))
    try:
        attributes = _XWindowAttributes()
        if not lib.XGetWindowAttributes(display, wid, ctypes.byref(attributes)):
            raise RuntimeError("no window %d" % wid)
        image = lib.XGetImage(display, wid, 0, 0, attributes.width, attributes.height, _ALL_PLANES, _ZPIXMAP)
        if not image:
            raise RuntimeError("cannot read window %d" % wid)
        img = image.contents
        if img.bits_per_pixel != 32:
            raise RuntimeError("unsupported X image of %d bits a pixel" % img.bits_per_pixel)
        data = ctypes.string_at(img.data, img.bytes_per_line * img.height)
        result = (img.width, img.height, data, img.bytes_per_line)
        lib.XFree(img.data)
        lib.XFree(image)
        return result
    finally:
        lib.XCloseDisplay(display)


def grab(wid):
    width, height, data, stride = _raw(wid)
    rows = []
    for y in range(height):
        line = data[y * stride:y * stride + width * 4]
        rows.append([(line[x + 2], line[x + 1], line[x], 255) for x in range(0, width * 4, 4)])
    return width, height, rows


def digest(wid):
    width, height, data, stride = _raw(wid)
    return "%dx%d-%s" % (width, height, hashlib.sha1(data).hexdigest())


def write_png(wid, path):
    width, height, data, stride = _raw(wid)
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        line = data[y * stride:y * stride + width * 4]
        for x in range(0, width * 4, 4):
            raw += bytes((line[x + 2], line[x + 1], line[x]))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(bytes(raw), 1)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    try:
        if sys.argv[1] == "hash":
            print(digest(int(sys.argv[2], 0)))
        elif sys.argv[1] == "png":
            write_png(int(sys.argv[2], 0), sys.argv[3])
        else:
            raise SystemExit(__doc__)
    except RuntimeError as e:
        print("xshot: %s" % e, file=sys.stderr)
        sys.exit(1)
