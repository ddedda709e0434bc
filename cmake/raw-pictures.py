#!/usr/bin/env python3
"""Turns 8-bit PNG pictures into the raster engine's own pixels, so that a start copies them
instead of inflating and unfiltering each one.

Usage: raw-pictures.py OUTPUT_DIR PNG...
Each OUTPUT_DIR/<name>.pic is "VPIC", width and height (32-bit little-endian), then the rows of
premultiplied ARGB32 pixels as native little-endian words.
"""
import os
import struct
import sys
import zlib

CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}  # grey, RGB, grey and alpha, RGBA


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in CHANNELS or interlace:
        sys.exit(f"{path}: only 8-bit, non-interlaced grey or RGB pictures are supported")
    step = CHANNELS[colour]
    raw = zlib.decompress(idat)
    stride = width * step
    rows, previous, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            line[i] = (line[i] + (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]) & 255
        rows.append(line)
        previous = line
    pixels = bytearray()
    for line in rows:
        for x in range(width):
            p = line[x * step:(x + 1) * step]
            if colour in (0, 4):
                r = g = b = p[0]
            else:
                r, g, b = p[0], p[1], p[2]
            a = p[-1] if colour in (4, 6) else 255
            # Premultiplied exactly as the raster engine does it.
            r, g, b = ((c * a + ((c * a) >> 8) + 0x80) >> 8 for c in (r, g, b))
            pixels += struct.pack("<I", (a << 24) | (r << 16) | (g << 8) | b)
    return width, height, bytes(pixels)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for path in sys.argv[2:]:
        width, height, pixels = decode(path)
        name = os.path.splitext(os.path.basename(path))[0] + ".pic"
        with open(os.path.join(out, name), "wb") as f:
            f.write(b"VPIC" + struct.pack("<II", width, height) + pixels)


if __name__ == "__main__":
    main()
