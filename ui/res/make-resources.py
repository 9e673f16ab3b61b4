#!/usr/bin/env python3
"""Writes Kalvor's images: the window's resources ui/res/pozadi.bmp and
ui/res/ikona.ico, and the page's app icons web/icon-192.png and
web/icon-512.png.

pozadi.bmp: 128 x 128 pixels, 24 bits per pixel, uncompressed, every pixel
dark green RGB(0, 128, 0); the window's background brush is made from it.

ikona.ico: one 32 x 32 image, 24-bit colour with an all-opaque AND mask: a
bright green RGB(0, 255, 0) square with a black capital K inside the 12 x 12
box whose top-left pixel is (9, 9), counted from the top left as displayed.

icon-192.png and icon-512.png: the same icon scaled up pixel for pixel, as
PNG with a palette and nothing but the image (no time, no text).

The bitmap formats store their rows bottom-up. Standard library only; the
output is byte-for-byte reproducible. Usage: ui/res/make-resources.py
[output folder for all four]
"""

import pathlib
import struct
import sys
import zlib

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


def make_png(size):
    """The icon scaled to size x size, nearest pixel, as an 8-bit palette PNG."""
    pixels = icon_pixels()
    palette = sorted(set(p for row in pixels for p in row))
    rows = b"".join(b"\0" + bytes(palette.index(pixels[y * ICON_SIZE // size][x * ICON_SIZE // size])
                                   for x in range(size)) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(p) for p in palette))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main():
    res = pathlib.Path(__file__).resolve().parent
    web = res.parent.parent / "web"
    if len(sys.argv) > 1:
        res = web = pathlib.Path(sys.argv[1])
    (res / "pozadi.bmp").write_bytes(make_bitmap())
    (res / "ikona.ico").write_bytes(make_icon())
    for size in (192, 512):
        (web / f"icon-{size}.png").write_bytes(make_png(size))


if __name__ == "__main__":
    main()
