#!/usr/bin/env python3
"""Writes tests/render/TestJpegs.h: three tiny JPEG files as byte arrays (RGB,
greyscale and CMYK, 16 x 8 pixels of one colour), so the decoding tests need
no files from outside the test program. Encoded by ImageMagick's `convert`.

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


if __name__ == "__main__":
    main()
