#!/usr/bin/env python3
"""Writes the pictures the decoding tests use, as byte arrays, so the tests
need no files from outside the test program:

- tests/render/TestJpegs.h: three tiny JPEG files (RGB, greyscale and CMYK,
  16 x 8 pixels of one colour);
- tests/render/TestPictureCorpus.h: one small picture in every bitmap variant
  the decoder reads (palette depths, RLE4 and RLE8 with delta moves, 16-bit
  5-5-5 and 5-6-5, 24-bit, 32-bit with V4 and V5 masks, top-down, OS/2 core
  headers), the JPEG variants (baseline, progressive, greyscale, CMYK, chroma
  subsampling), and damaged or oversized files. Each bitmap comes with the
  checksum of the pixels it must decode to, worked out here from the picture
  itself; JPEG pixels depend on the decoder's arithmetic, so their checksums
  live in the test and only the source pixels are written here.

JPEGs are encoded by ImageMagick's `convert`; bitmaps are written byte by byte.

Usage: make_test_pictures.py   (run from anywhere; writes into the source tree)
"""
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "tests", "render", "TestJpegs.h")


def encode(header, pixels, *options):
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.pnm"), os.path.join(tmp, "out.jpg")
        with open(src, "wb") as f:
            f.write(header + pixels)
        subprocess.run(["convert", src, "-strip", "-quality", "95", *options, dst], check=True)
        with open(dst, "rb") as f:
            return f.read()


def array(name, data):
    items = ["0x%02x" % b for b in data]
    lines = [",".join(items[i:i + 16]) for i in range(0, len(items), 16)]
    return "const unsigned char %s[] = {\n    %s};\n" % (name, ",\n    ".join(lines))


def main():
    red = bytes([220, 30, 30] * 128)
    parts = [
        "// Written by tools/make_test_pictures.py; do not edit.\n",
        "// 16 x 8 pixels each: RGB (220, 30, 30), greyscale 128, and the same red stored as CMYK.\n",
        "#pragma once\n\n",
        array("kJpegRgbRed", encode(b"P6 16 8 255\n", red)),
        array("kJpegGrey128", encode(b"P5 16 8 255\n", bytes([128] * 128))),
        array("kJpegCmykRed", encode(b"P6 16 8 255\n", red, "-colorspace", "CMYK")),
    ]
    with open(OUT, "w") as f:
        f.write("".join(parts))
    write_corpus()




CORPUS = os.path.join(HERE, "..", "tests", "render", "TestPictureCorpus.h")
W, H = 13, 7  # odd, so every depth has padded rows

PALETTE = [(0, 0, 0), (255, 255, 255), (255, 1, 222), (200, 30, 40), (30, 160, 60), (20, 40, 200),
           (250, 220, 10), (120, 60, 20), (90, 200, 230), (130, 130, 130), (60, 0, 90), (255, 128, 0),
           (10, 90, 90), (240, 200, 190), (70, 110, 20), (180, 180, 250)]


def u16(v):
    return bytes([v & 255, (v >> 8) & 255])


def u32(v):
    v &= 0xFFFFFFFF
    return bytes([v & 255, (v >> 8) & 255, (v >> 16) & 255, v >> 24])


def true_colour(x, y):
    """Source pixel (top row y = 0): every channel different along both axes."""
    return ((x * 19 + y * 7) % 256, (x * 5 + y * 31 + 40) % 256, (250 - x * 13 - y * 11) % 256)


def palette_index(x, y, bits):
    return (x * 3 + y * 5) % (1 << bits) if bits < 4 else (x * 3 + y * 5) % 16


def rle_index(x, y):
    """Runs to compress, a run of 0 for a delta move, and a literal stretch."""
    if y == H - 1 and 3 <= x <= 6:
        return 0
    if y == 2:
        return (x * 7) % 16
    return (x // 4 + y) % 16


def checksum(pixels):
    """FNV-1a over blue, green, red of every pixel, bottom row first."""
    h = 0x811C9DC5
    for y in range(H - 1, -1, -1):
        for x in range(W):
            r, g, b = pixels[y][x]
            for c in (b, g, r):
                h = ((h ^ c) * 0x01000193) & 0xFFFFFFFF
    return h


def file_header(info_size, palette_bytes, pixel_bytes):
    offset = 14 + info_size + palette_bytes
    return b"BM" + u32(offset + len(pixel_bytes)) + u32(0) + u32(offset)


def info_header(size, bpp, compression, image_bytes, colours=0, masks=None, height=H):
    s = u32(size) + u32(W) + u32(height) + u16(1) + u16(bpp) + u32(compression) + u32(image_bytes)
    s += u32(2835) + u32(2835) + u32(colours) + u32(0)
    if size >= 52:
        m = (masks or [0, 0, 0, 0]) + [0] * 4
        s += u32(m[0]) + u32(m[1]) + u32(m[2])
        if size >= 56:
            s += u32(m[3])
    s += bytes(size - len(s))  # colour space fields left zero
    return s


def pack_rows(rows, bpp, top_down=False):
    out = b""
    order = rows if top_down else rows[::-1]
    for row in order:
        if bpp in (1, 4, 8):
            bits, acc, n = b"", 0, 0
            for v in row:
                acc = (acc << bpp) | v
                n += bpp
                if n == 8:
                    bits += bytes([acc])
                    acc, n = 0, 0
            if n:
                bits += bytes([acc << (8 - n)])
        else:
            bits = b"".join(row)
        out += bits + bytes((-len(bits)) % 4)
    return out


def palette_bytes(pal, entry=4):
    return b"".join(bytes([b, g, r]) + bytes(entry - 3) for r, g, b in pal)


def palette_bmp(bits, colours, info_size=40):
    pal = PALETTE[:1 << bits] if bits < 4 else PALETTE
    idx = [[palette_index(x, y, bits) for x in range(W)] for y in range(H)]
    data = pack_rows(idx, bits)
    if info_size == 12:
        info = u32(12) + u16(W) + u16(H) + u16(1) + u16(bits)
        pb = palette_bytes(pal, 3)
    else:
        pb = palette_bytes(pal)
        info = info_header(40, bits, 0, len(data), colours)
    return file_header(len(info), len(pb), data) + info + pb + data, [[pal[v] for v in r] for r in idx]


def rle_encode(idx, four):
    """Runs of three or more as encoded runs, other stretches literally, runs of
    index 0 in the bottom row skipped with a delta move."""
    out = b""
    rows = idx[::-1]
    for y, row in enumerate(rows):
        x = 0
        while x < W:
            run = 1
            while x + run < W and row[x + run] == row[x] and run < 255:
                run += 1
            if y == 0 and row[x] == 0 and run >= 2:
                out += bytes([0, 2, run, 0])
                x += run
            elif run >= 3:
                out += bytes([run, row[x] * 17 if four else row[x]])
                x += run
            else:
                end = x
                while end < W:
                    r = 1
                    while end + r < W and row[end + r] == row[end]:
                        r += 1
                    if r >= 3 or (y == 0 and row[end] == 0 and r >= 2):
                        break
                    end += r
                lit = row[x:end]
                if len(lit) < 3:
                    for v in lit:
                        out += bytes([1, v * 17 if four else v])
                else:
                    if four:
                        packed = bytes((lit[i] << 4) | (lit[i + 1] if i + 1 < len(lit) else 0)
                                       for i in range(0, len(lit), 2))
                    else:
                        packed = bytes(lit)
                    out += bytes([0, len(lit)]) + packed + bytes(len(packed) % 2)
                x = end
        if y != H - 1:
            out += bytes([0, 0])
    return out + bytes([0, 1])


def rle_bmp(four, end=True):
    idx = [[rle_index(x, y) for x in range(W)] for y in range(H)]
    data = rle_encode(idx, four)
    if not end:
        data = data[:len(data) // 2]
    pb = palette_bytes(PALETTE)
    info = info_header(40, 4 if four else 8, 2 if four else 1, len(data), 16)
    return file_header(40, len(pb), data) + info + pb + data, [[PALETTE[v] for v in r] for r in idx]


def expand(v, bits):
    m = (1 << bits) - 1
    return v >> (bits - 8) if bits >= 8 else (v * 255 + m // 2) // m


def mask_bmp(bpp, masks, info_size, compression, top_down=False):
    """16- or 32-bit pixels under the given masks (None: the default masks)."""
    use = masks or ([0x7C00, 0x03E0, 0x001F] if bpp == 16 else [0xFF0000, 0xFF00, 0xFF])
    shifts = [(m & -m).bit_length() - 1 for m in use[:3]]
    widths = [bin(m).count("1") for m in use[:3]]
    rows, expected = [], []
    for y in range(H):
        row, exp = [], []
        for x in range(W):
            c = true_colour(x, y)
            v, e = 0, []
            for ch in range(3):
                q = c[ch] >> (8 - widths[ch]) if widths[ch] < 8 else c[ch] << (widths[ch] - 8)
                v |= q << shifts[ch]
                e.append(expand(q, widths[ch]))
            if len(use) > 3:
                v |= use[3]  # opaque alpha; never part of the colour
            row.append(u16(v) if bpp == 16 else u32(v))
            exp.append(tuple(e))
        rows.append(row)
        expected.append(exp)
    data = pack_rows(rows, bpp, top_down)
    height = -H if top_down else H
    if info_size == 40 and masks:
        extra = b"".join(u32(m) for m in masks[:3])
        info = info_header(40, bpp, compression, len(data), height=height) + extra
    else:
        info = info_header(info_size, bpp, compression, len(data), masks=masks, height=height)
    return file_header(len(info), 0, data) + info + data, expected


def bgr24_bmp(top_down=False, core=False):
    rows = [[bytes(true_colour(x, y)[::-1]) for x in range(W)] for y in range(H)]
    data = pack_rows(rows, 24, top_down)
    if core:
        info = u32(12) + u16(W) + u16(H) + u16(1) + u16(24)
    else:
        info = info_header(40, 24, 0, len(data), height=-H if top_down else H)
    expected = [[true_colour(x, y) for x in range(W)] for y in range(H)]
    return file_header(len(info), 0, data) + info + data, expected


def claim_bmp(width, height):
    """A header claiming a huge picture, with almost no pixel data behind it."""
    info = u32(40) + u32(width) + u32(height) + u16(1) + u16(24) + u32(0) * 6
    return file_header(40, 0, b"") + info + bytes(64)


def smooth(x, y):
    """JPEG source: gentle gradients, so the encoder's losses stay small."""
    return (40 + x * 8, 60 + y * 10, 200 - x * 4 - y * 5)


def jpeg(grey=False, *options):
    if grey:
        pixels = bytes(60 + x * 6 + y * 8 for y in range(H) for x in range(W))
        return encode(b"P5 %d %d 255\n" % (W, H), pixels, *options)
    pixels = bytes(c for y in range(H) for x in range(W) for c in smooth(x, y))
    return encode(b"P6 %d %d 255\n" % (W, H), pixels, *options)


def claim_jpeg(data, width, height):
    """The same JPEG with its frame header claiming another size."""
    i = 2
    while i < len(data):
        marker, length = data[i + 1], (data[i + 2] << 8) | data[i + 3]
        if marker in (0xC0, 0xC2):
            return data[:i + 5] + bytes([height >> 8, height & 255, width >> 8, width & 255]) + data[i + 9:]
        i += 2 + length
    raise ValueError("no frame header")


def write_corpus():
    entries = []  # (name, jpeg, bytes, status, checksum, source)
    ok, large, damaged = 0, 1, 2

    def bmp(name, made):
        data, expected = made
        entries.append((name, False, data, ok, checksum(expected), None))

    bmp("pal1", palette_bmp(1, 0))
    bmp("pal4", palette_bmp(4, 0))
    bmp("pal8_16_used", palette_bmp(8, 16))
    bmp("pal8_core", palette_bmp(8, 0, info_size=12))
    bmp("rle8_delta", rle_bmp(False))
    bmp("rle4_delta", rle_bmp(True))
    bmp("rgb555", mask_bmp(16, None, 40, 0))
    bmp("rgb565_bitfields", mask_bmp(16, [0xF800, 0x07E0, 0x001F], 40, 3))
    bmp("rgb444_v4", mask_bmp(16, [0x0F00, 0x00F0, 0x000F, 0xF000], 108, 3))
    bmp("rgb24", bgr24_bmp())
    bmp("rgb24_top_down", bgr24_bmp(top_down=True))
    bmp("rgb24_core", bgr24_bmp(core=True))
    bmp("rgb32", mask_bmp(32, None, 40, 0))
    bmp("rgba32_v4", mask_bmp(32, [0xFF0000, 0xFF00, 0xFF, 0xFF000000], 108, 3))
    bmp("abgr32_v5", mask_bmp(32, [0xFF, 0xFF00, 0xFF0000, 0xFF000000], 124, 3))
    bmp("rgb32_v5_top_down", mask_bmp(32, [0xFF0000, 0xFF00, 0xFF, 0], 124, 3, top_down=True))
    cut, _ = bgr24_bmp()
    entries.append(("rgb24_cut", False, cut[:len(cut) - 20], damaged, 0, None))
    rle_cut, _ = rle_bmp(False, end=False)
    entries.append(("rle8_cut", False, rle_cut, damaged, 0, None))
    entries.append(("claims_30000_square", False, claim_bmp(30000, 30000), large, 0, None))
    entries.append(("claims_20000_wide", False, claim_bmp(20000, 1), large, 0, None))
    entries.append(("claims_8000_square", False, claim_bmp(8000, 8000), large, 0, None))

    source = bytes(c for y in range(H) for x in range(W) for c in smooth(x, y))
    grey = bytes(v for y in range(H) for x in range(W) for v in [60 + x * 6 + y * 8] * 3)
    baseline = jpeg(False, "-sampling-factor", "2x2")
    entries.append(("jpeg_baseline_420", True, baseline, ok, 0, source))
    entries.append(("jpeg_baseline_444", True, jpeg(False, "-sampling-factor", "1x1"), ok, 0, source))
    entries.append(("jpeg_progressive", True, jpeg(False, "-interlace", "JPEG"), ok, 0, source))
    entries.append(("jpeg_grey", True, jpeg(True), ok, 0, grey))
    entries.append(("jpeg_cmyk", True, jpeg(False, "-colorspace", "CMYK"), ok, 0, source))
    entries.append(("jpeg_truncated", True, baseline[:len(baseline) * 2 // 3], damaged, 0, None))
    entries.append(("jpeg_claims_30000_square", True, claim_jpeg(baseline, 30000, 30000), large, 0, None))

    parts = [
        "// Written by tools/make_test_pictures.py; do not edit.\n",
        "// %d x %d pixels each unless refused. checksum: FNV-1a over blue, green, red of every\n" % (W, H),
        "// pixel, bottom row first (bitmaps only). source: the pixels a JPEG was made from,\n",
        "// red-green-blue, top row first.\n",
        "#pragma once\n\n#include <cstddef>\n#include <cstdint>\n\n",
        "namespace corpus {\nconstexpr unsigned kWidth = %d, kHeight = %d;\n" % (W, H),
        "enum Expect { kDecodes, kTooLarge, kDamaged };\n\n",
    ]
    for name, _, data, _, _, src in entries:
        parts.append(array("k_" + name, data))
        if src is not None:
            parts.append(array("k_" + name + "_source", src))
    parts.append("\nstruct Picture {\n    const char* name;\n    bool jpeg;\n    const unsigned char* bytes;\n"
                 "    size_t size;\n    Expect expect;\n    uint32_t checksum;\n"
                 "    const unsigned char* source;\n};\n\nconst Picture kPictures[] = {\n")
    for name, is_jpeg, _, status, check, src in entries:
        parts.append('    {"%s", %s, k_%s, sizeof k_%s, %s, 0x%08xu, %s},\n' % (
            name, "true" if is_jpeg else "false", name, name, ["kDecodes", "kTooLarge", "kDamaged"][status],
            check, "k_%s_source" % name if src is not None else "nullptr"))
    parts.append("};\n}  // namespace corpus\n")
    with open(CORPUS, "w") as f:
        f.write("".join(parts))


if __name__ == "__main__":
    main()
