#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the program icon and writes resources/tarnquill.ico and tarnquill.png,
and the desktop theme's sizes under resources/hicolor/.

A clipboard with lines of text, in the main window's blue-greys. The outputs
are committed; nothing runs this at build time. Run it again after changing
the drawing:  python3 resources/make_icon.py

The icon is one 32x32 image of 256 colours. The ICO holds a palettised 8-bit
BMP with its AND mask (what every Windows version reads, including the tray's
16x16 scaling); the PNG is the same pixels as an 8-bit palette PNG whose index 0
is transparent, for the Qt front end and the tray there. The theme sizes (16 to
256 px, installed into the hicolor icon theme) are the same drawing scaled by
nearest neighbour, so the pixel art stays crisp. Standard library only.
"""

import os
import struct
import zlib

SIZE = 32

# Index 0 is the transparent colour. It is black because Windows combines the
# XOR image with the screen wherever the AND mask is set: black leaves the
# screen unchanged.
TRANSPARENT = 0
PALETTE = [
    (0, 0, 0),        # 0 transparent
    (9, 24, 49),      # 1 navy: outlines, clip, text lines (Line1's colour)
    (193, 209, 219),  # 2 board: the command labels' blue-grey
    (237, 242, 245),  # 3 paper: Form1's background
    (255, 255, 255),  # 4 highlight on the paper's top edge
    (120, 143, 160),  # 5 board shade along the right and bottom edges
    (74, 96, 122),    # 6 the clip's lighter face
    (160, 178, 191),  # 7 paper's shadow on the board
]
NAVY, BOARD, PAPER, WHITE, SHADE, CLIP_FACE, PAPER_SHADOW = range(1, 8)


def draw():
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, colour):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    def rounded(x0, y0, x1, y1, colour, outline):
        rect(x0, y0, x1, y1, outline)
        rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, colour)
        # Cut the four corner pixels so the outline turns round.
        for x, y in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
            px[y][x] = TRANSPARENT

    # The board, with a darker edge right and bottom for some depth.
    rounded(4, 3, 27, 31, BOARD, NAVY)
    rect(26, 5, 26, 29, SHADE)
    rect(6, 30, 26, 30, SHADE)

    # The sheet of paper, its shadow falling right and down on the board.
    rect(8, 9, 24, 29, PAPER_SHADOW)
    rect(7, 8, 23, 28, NAVY)
    rect(8, 9, 22, 27, PAPER)
    rect(8, 9, 22, 9, WHITE)

    # Lines of text of different lengths, as a clipped text would look.
    for y, x1 in ((12, 20), (15, 21), (18, 17), (21, 20), (24, 14)):
        rect(10, y, x1, y + 1, NAVY)

    # The clip across the top edge, with a hole to hang it by.
    rounded(10, 0, 21, 6, CLIP_FACE, NAVY)
    rect(11, 5, 20, 5, NAVY)
    rect(14, 2, 17, 2, BOARD)
    return px


def write_ico(path, px):
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in full_palette())
    xor_rows = [bytes(row) for row in reversed(px)]  # BMP rows run bottom-up
    and_rows = []
    for row in reversed(px):
        bits = 0
        for x, index in enumerate(row):
            if index == TRANSPARENT:
                bits |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", bits))  # 32 bits: already 4-byte aligned
    pixels = b"".join(xor_rows) + b"".join(and_rows)
    # An icon's BMP header counts the XOR and AND images together: twice the height.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, len(pixels), 0, 0, 256, 0)
    image = header + palette + pixels
    directory = struct.pack("<HHH", 0, 1, 1)
    # Width and height 32; a colour count of 0 means 256; 1 plane, 8 bits.
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write_png(path, px):
    size = len(px)
    raw = b"".join(b"\x00" + bytes(row) for row in px)  # filter type 0 per row
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
    data += png_chunk(b"PLTE", b"".join(bytes(c) for c in full_palette()))
    data += png_chunk(b"tRNS", b"\x00")  # index 0 transparent, the rest opaque
    data += png_chunk(b"IDAT", zlib.compress(raw, 9))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# The theme's sizes of the icon.
THEME_SIZES = (16, 32, 48, 64, 128, 256)


def scaled(px, size):
    return [[px[y * SIZE // size][x * SIZE // size] for x in range(size)] for y in range(size)]


def full_palette():
    return PALETTE + [(0, 0, 0)] * (256 - len(PALETTE))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    px = draw()
    write_ico(os.path.join(here, "tarnquill.ico"), px)
    write_png(os.path.join(here, "tarnquill.png"), px)
    for size in THEME_SIZES:
        folder = os.path.join(here, "hicolor", f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, "tarnquill.png"), scaled(px, size))


if __name__ == "__main__":
    main()
