#!/usr/bin/env python3
"""Writes Kalvor's two image resources, ui/res/pozadi.bmp and ui/res/ikona.ico.

pozadi.bmp: 128 x 128 pixels, 24 bits per pixel, uncompressed, every pixel
dark green RGB(0, 128, 0); the window's background brush is made from it.

ikona.ico: one 32 x 32 image, 24-bit colour with an all-opaque AND mask: a
bright green RGB(0, 255, 0) square with a black capital K inside the 12 x 12
box whose top-left pixel is (9, 9), counted from the top left as displayed.

Both formats store their rows bottom-up. Standard library only; the output is
byte-for-byte reproducible. Usage: ui/res/make-resources.py [output folder]
"""

import pathlib
import struct
import sys

DARK_GREEN = (0, 128, 0)
BRIGHT_GREEN = (0, 255, 0)
BLACK = (0, 0, 0)

ICON_SIZE = 32
K_LEFT, K_TOP, K_SIZE = 9, 9, 12

# The letter within its 12 x 12 box, top row first: a two-pixel stem and two
# arms that meet it in the middle.
K_GLYPH = [
    "XX........XX",
    "XX.......XX.",
    "XX......XX..",
    "XX.....XX...",
    "XX...XXX....",
    "XXXXXX......",
    "XXXXXX......",
    "XX...XXX....",
    "XX.....XX...",
    "XX......XX..",
    "XX.......XX.",
    "XX........XX",
]


def bitmap_info_header(width, height, bits, image_size):
    """BITMAPINFOHEADER, uncompressed (BI_RGB), 96 DPI."""
    pixels_per_metre = 3780
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       pixels_per_metre, pixels_per_metre, 0, 0)


def bgr_rows(pixels):
    """24-bit rows, bottom row first, each padded to a multiple of 4 bytes."""
    out = bytearray()
    for row in reversed(pixels):
        line = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        out += line + b"\0" * (-len(line) % 4)
    return bytes(out)


def make_bitmap():
    size = 128
    data = bgr_rows([[DARK_GREEN] * size for _ in range(size)])
    info = bitmap_info_header(size, size, 24, len(data))
    offset = 14 + len(info)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return file_header + info + data


def icon_pixels():
    """The icon's pixels as displayed, top row first."""
    assert len(K_GLYPH) == K_SIZE and all(len(row) == K_SIZE for row in K_GLYPH)
    pixels = [[BRIGHT_GREEN] * ICON_SIZE for _ in range(ICON_SIZE)]
    for y, row in enumerate(K_GLYPH):
        for x, cell in enumerate(row):
            if cell == "X":
                pixels[K_TOP + y][K_LEFT + x] = BLACK
    return pixels


def make_icon():
    colour = bgr_rows(icon_pixels())
    mask_row = ((ICON_SIZE + 31) // 32) * 4
    mask = b"\0" * (mask_row * ICON_SIZE)  # 0 everywhere: every pixel opaque
    # In an icon image the header's height covers the colour and mask halves.
    image = bitmap_info_header(ICON_SIZE, 2 * ICON_SIZE, 24, len(colour) + len(mask))
    image += colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)  # reserved, type icon, one image
    entry = struct.pack("<BBBBHHII", ICON_SIZE, ICON_SIZE, 0, 0, 1, 24, len(image),
                        len(directory) + 16)
    return directory + entry + image


def main():
    default = pathlib.Path(__file__).resolve().parent
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    (folder / "pozadi.bmp").write_bytes(make_bitmap())
    (folder / "ikona.ico").write_bytes(make_icon())


if __name__ == "__main__":
    main()
