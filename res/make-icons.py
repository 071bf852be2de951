#!/usr/bin/env python3
"""Draws Zelvane's icons and writes them as .ico files into res/.

res/zelvane.ico  (IDI_MAINICON): 16x16 256 colours, 16x16 24-bit,
                                 32x32 256 colours, 48x48 256 colours
res/file.ico     (IDI_FILEICON): 32x32 16 colours

The picture is a small printer: a grey body, a sheet of paper coming out of
it with two lines of dark blue text, and a green ready lamp.
"""
import os
import struct

TRANSPARENT = None
# The 16 colours of the classic VGA palette; every pixel drawn is one of them,
# so the 4-bit, 8-bit and 24-bit images show the same picture.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, GREY, WHITE, BLUE, GREEN = VGA[0], VGA[8], VGA[7], VGA[15], VGA[4], VGA[10]


def draw(n):
    """The printer at n by n pixels, as rows of colours (top row first)."""
    px = [[TRANSPARENT] * n for _ in range(n)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * n), max(int(y0 * n) + 1, int(y1 * n))):
            for x in range(int(x0 * n), max(int(x0 * n) + 1, int(x1 * n))):
                if 0 <= x < n and 0 <= y < n:
                    px[y][x] = colour

    def frame(x0, y0, x1, y1, fill, edge):
        rect(x0, y0, x1, y1, edge)
        t = 1.0 / n
        rect(x0 + t, y0 + t, x1 - t, y1 - t, fill)

    frame(0.25, 0.05, 0.75, 0.45, WHITE, BLACK)      # paper going in
    frame(0.05, 0.35, 0.95, 0.75, GREY, BLACK)       # body
    rect(0.10, 0.40, 0.90, 0.44, WHITE)              # light on the body's top
    rect(0.75, 0.55, 0.85, 0.62, GREEN)              # ready lamp
    frame(0.20, 0.60, 0.80, 0.98, WHITE, BLACK)      # printed sheet
    rect(0.28, 0.70, 0.72, 0.74, BLUE)               # its text
    rect(0.28, 0.80, 0.62, 0.84, BLUE)
    rect(0.05, 0.70, 0.95, 0.75, DARK_GREY)          # body's lower edge
    return px


def row_bytes(bits):
    return ((bits + 31) // 32) * 4


def dib(px, bpp):
    """The icon image: header, palette, colour rows and mask, bottom-up."""
    n = len(px)
    out = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bpp, 0, 0, 0, 0, 0, 0)
    if bpp <= 8:
        palette = VGA + [(0, 0, 0)] * ((1 << bpp) - len(VGA))
        out += b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in palette)
    for row in reversed(px):
        if bpp == 24:
            line = b''.join(struct.pack('BBB', *reversed(c or BLACK)) for c in row)
        else:
            idx = [VGA.index(c) if c else 0 for c in row]
            if bpp == 8:
                line = bytes(idx)
            else:
                line = bytes((idx[i] << 4) | (idx[i + 1] if i + 1 < n else 0) for i in range(0, n, 2))
        out += line + b'\0' * (row_bytes(n * bpp) - len(line))
    for row in reversed(px):
        line = bytearray(row_bytes(n))
        for x, c in enumerate(row):
            if c is TRANSPARENT:
                line[x // 8] |= 0x80 >> (x % 8)
        out += bytes(line)
    return out


def write_ico(path, images):
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b'', b''
    for n, bpp in images:
        blob = dib(draw(n), bpp)
        colours = 16 if bpp == 4 else 0
        entries += struct.pack('<BBBBHHII', n % 256, n % 256, colours, 0, 1, bpp, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(header + entries + blobs)


if __name__ == '__main__':
    res = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(res, 'zelvane.ico'), [(16, 8), (16, 24), (32, 8), (48, 8)])
    write_ico(os.path.join(res, 'file.ico'), [(32, 4)])
