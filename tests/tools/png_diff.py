#!/usr/bin/env python3
"""png_diff.py A.png B.png [LEVELS]: prints the share of pixels (0..1) whose
red, green or blue differ by more than LEVELS (default 8) between two
pictures of the same size, then the count and the largest difference.
Reads the PNG files the programs' snapshots are (8 bits a channel, RGB or
RGBA, no interlace) with any filter; exits 2 on a file it cannot read."""
import struct
import sys
import zlib


def load(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG file")
    at, idat, header = 8, b"", None
    while at + 8 <= len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(path + ": not 8-bit RGB or RGBA without interlace")
    bpp = 3 if colour == 2 else 4
    raw, row = zlib.decompress(idat), width * bpp
    rows, prior = [], bytearray(row)
    for y in range(height):
        kind = raw[y * (row + 1)]
        line = bytearray(raw[y * (row + 1) + 1:(y + 1) * (row + 1)])
        for i in range(row):
            left = line[i - bpp] if i >= bpp else 0
            up, corner = prior[i], prior[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + pred) & 255
        rows.append(bytes(line))
        prior = line
    return width, height, bpp, rows


def main():
    try:
        wa, ha, ba, a = load(sys.argv[1])
        wb, hb, bb, b = load(sys.argv[2])
    except (OSError, ValueError, TypeError, zlib.error) as e:
        print("png_diff:", e, file=sys.stderr)
        return 2
    if (wa, ha) != (wb, hb):
        print("png_diff: %dx%d against %dx%d" % (wa, ha, wb, hb), file=sys.stderr)
        return 2
    levels = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    over, largest = 0, 0
    for ra, rb in zip(a, b):
        if ra == rb and ba == bb:
            continue
        for x in range(wa):
            d = max(abs(ra[x * ba + k] - rb[x * bb + k]) for k in range(3))
            largest = max(largest, d)
            over += d > levels
    print("%.5f %d %d" % (over / (wa * ha), over, largest))
    return 0


if __name__ == "__main__":
    sys.exit(main())
