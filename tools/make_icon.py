#!/usr/bin/env python3
"""Draws the program icon (a ladybug on a meadow-green disc) as a Windows .ico,
or as PNG files for the Linux desktop's icon theme.

Our own art: everything is computed here, nothing is taken from elsewhere.
Usage: make_icon.py OUT.ico
       make_icon.py --hicolor DIR SIZE...   (DIR/hicolor/SxS/apps/meadowglow.png)
"""
import math
import os
import struct
import sys
import zlib


def pixel(x, y, size):
    """Return (r, g, b, a) for one pixel of a size x size icon; y grows downwards."""
    c = (size - 1) / 2.0
    dx, dy = (x - c) / c, (y - c) / c
    r = math.hypot(dx, dy)
    if r > 1.0:
        return (0, 0, 0, 0)
    # Meadow disc with a soft rim.
    base = (70, 160, 60) if r < 0.92 else (40, 110, 40)
    # Ladybug body: an ellipse, head at the top.
    bx, by = dx / 0.62, (dy - 0.08) / 0.70
    if bx * bx + by * by <= 1.0:
        # Spots and the middle line.
        spots = [(-0.3, -0.1), (0.3, -0.1), (-0.32, 0.35), (0.32, 0.35), (0.0, 0.55)]
        if abs(dx) < 0.035 and dy > -0.3:
            return (20, 20, 20, 255)
        for sx, sy in spots:
            if math.hypot(dx - sx, dy - sy) < 0.13:
                return (20, 20, 20, 255)
        shade = int(40 * (1 - bx))
        return (min(255, 200 + shade), 30, 30, 255)
    # Head.
    if math.hypot(dx, (dy + 0.62) / 0.8) < 0.28:
        return (25, 25, 25, 255)
    return base + (255,)


def icon_image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up rows
        row = b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in (pixel(x, y, size) for x in range(size)))
        rows.append(row)
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytes(mask_stride * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def png_image(size):
    """An RGBA PNG of the icon at `size`, top-down rows."""
    raw = b"".join(
        b"\0" + b"".join(struct.pack("BBBB", *pixel(x, y, size)) for x in range(size)) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_hicolor(folder, sizes):
    for size in sizes:
        target = os.path.join(folder, "hicolor", "%dx%d" % (size, size), "apps")
        os.makedirs(target, exist_ok=True)
        with open(os.path.join(target, "meadowglow.png"), "wb") as f:
            f.write(png_image(size))


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--hicolor":
        write_hicolor(sys.argv[2], [int(s) for s in sys.argv[3:]])
        return
    sizes = [16, 32, 48]
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
