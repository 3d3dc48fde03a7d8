#!/usr/bin/env python3
"""Renders the Tessark Studio icon: tessark.ico and its vector twin tessark.svg.

The mark is a rounded dark tile carrying a blue "T" and a small lighter block
beside the foot of its stem, like a text cursor waiting after the letter.
Everything is straight edges plus one rounded rectangle, so a tiny scanline-free
rasteriser suffices: each pixel is sampled on an N x N grid (supersampling) and
the coverage gives the anti-aliasing.

The geometry is laid out on a 256-unit canvas. At every size the straight
edges are snapped to whole pixels first, and the stem is centred under the bar
with the same parity, so that the 16 and 20 px images stay crisp instead of
smearing each edge over two pixels.

Python 3 standard library only.
    render_icon.py [--preview DIR]   writes tessark.ico and tessark.svg beside
                                     this script, and with --preview one PNG
                                     per size into DIR
"""

import argparse
import math
import os
import struct
import zlib

CANVAS = 256
SIZES = (16, 20, 24, 32, 40, 48, 64, 96, 128, 256)
# Every size is stored PNG-compressed inside the ICO (Windows reads PNG icon
# images of any size since Vista): the icon is in every installer, and a
# 32-bit BMP image costs 4 bytes a pixel plus its mask.
PNG_SIZES = SIZES

# Geometry on the 256-unit canvas.
TILE_MARGIN = 16
TILE_RADIUS = 56
BORDER = 4           # the tile's lighter rim, at least one pixel wide
BAR_LEFT, BAR_RIGHT, BAR_TOP = 64, 192, 64
STROKE = 32          # thickness of the bar, the stem and the block's side
STEM_BOTTOM = 192

# Colours as (r, g, b).
TILE_TOP = (0x2C, 0x2F, 0x38)
TILE_BOTTOM = (0x14, 0x15, 0x19)
RIM = (0x40, 0x44, 0x4F)
ACCENT = (0x0A, 0x84, 0xFF)
ACCENT_LIGHT = (0x7C, 0xC0, 0xFF)


def snap(value):
    return int(math.floor(value + 0.5))


class Rect:
    def __init__(self, x0, y0, x1, y1, colour):
        self.x0, self.y0, self.x1, self.y1, self.colour = x0, y0, x1, y1, colour

    def colour_at(self, x, y):
        if self.x0 <= x < self.x1 and self.y0 <= y < self.y1:
            return self.colour
        return None


class RoundedRect:
    """A rounded rectangle filled with a vertical gradient (top, bottom)."""

    def __init__(self, x0, y0, x1, y1, radius, top, bottom):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.radius, self.top, self.bottom = radius, top, bottom

    def contains(self, x, y):
        if not (self.x0 <= x < self.x1 and self.y0 <= y < self.y1):
            return False
        r = self.radius
        cx = min(max(x, self.x0 + r), self.x1 - r)
        cy = min(max(y, self.y0 + r), self.y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    def colour_at(self, x, y):
        if not self.contains(x, y):
            return None
        t = (y - self.y0) / (self.y1 - self.y0)
        return tuple(a + (b - a) * t for a, b in zip(self.top, self.bottom))


def layout(size):
    """The shapes of the icon at `size` pixels, in pixel coordinates, back to front."""
    s = size / CANVAS
    margin = max(1, snap(TILE_MARGIN * s))
    border = max(1.0, BORDER * s)
    radius = TILE_RADIUS * s
    tile_end = size - margin

    stroke = max(2, snap(STROKE * s))
    bar_left, bar_right = snap(BAR_LEFT * s), snap(BAR_RIGHT * s)
    if (bar_right - bar_left - stroke) % 2:
        bar_right += 1  # same parity as the stem, so that it sits exactly in the middle
    bar_top = snap(BAR_TOP * s)
    stem_left = bar_left + (bar_right - bar_left - stroke) // 2
    stem_bottom = snap(STEM_BOTTOM * s)

    return [
        RoundedRect(margin, margin, tile_end, tile_end, radius, RIM, RIM),
        RoundedRect(margin + border, margin + border, tile_end - border, tile_end - border,
                    max(0.0, radius - border), TILE_TOP, TILE_BOTTOM),
        Rect(bar_left, bar_top, bar_right, bar_top + stroke, ACCENT),
        Rect(stem_left, bar_top + stroke, stem_left + stroke, stem_bottom, ACCENT),
        Rect(bar_right - stroke, stem_bottom - stroke, bar_right, stem_bottom, ACCENT_LIGHT),
    ]


def sample(shapes, x, y):
    """The colour of the frontmost shape at (x, y), or None outside the tile."""
    for shape in reversed(shapes):
        colour = shape.colour_at(x, y)
        if colour is not None:
            return colour
    return None


def render(size):
    """RGBA rows (top first) of the icon at `size` pixels, straight (not premultiplied) alpha."""
    shapes = layout(size)
    grid = 4 if size >= 96 else 8
    offsets = [(i + 0.5) / grid for i in range(grid)]
    samples = grid * grid
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = hits = 0
            for oy in offsets:
                for ox in offsets:
                    colour = sample(shapes, px + ox, py + oy)
                    if colour is not None:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        hits += 1
            if hits:
                row += bytes((snap(r / hits), snap(g / hits), snap(b / hits),
                              snap(255 * hits / samples)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return rows


def png_bytes(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_bytes(size, rows):
    """An icon image: BITMAPINFOHEADER (height doubled for the mask), BGRA rows
    bottom first, then the 1-bit AND mask, each mask row padded to 32 bits."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = (size + 31) // 32 * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = row[4 * x:4 * x + 4]
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico_bytes(images):
    """An ICO file from (size, image bytes) pairs: ICONDIR, one ICONDIRENTRY per image, the images."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in images:
        side = 0 if size >= 256 else size  # a byte: 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, data in images)


def svg_text():
    """The same geometry as a vector image, at 256 units."""
    end = CANVAS - TILE_MARGIN
    inner = TILE_MARGIN + BORDER
    stem_left = BAR_LEFT + (BAR_RIGHT - BAR_LEFT - STROKE) // 2

    def hex_colour(rgb):
        return "#%02X%02X%02X" % rgb

    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="{CANVAS}" height="{CANVAS}" viewBox="0 0 {CANVAS} {CANVAS}">
  <!-- Generated by render_icon.py; edit the geometry there. -->
  <defs>
    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{hex_colour(TILE_TOP)}"/>
      <stop offset="1" stop-color="{hex_colour(TILE_BOTTOM)}"/>
    </linearGradient>
  </defs>
  <rect x="{TILE_MARGIN}" y="{TILE_MARGIN}" width="{end - TILE_MARGIN}" height="{end - TILE_MARGIN}" rx="{TILE_RADIUS}" fill="{hex_colour(RIM)}"/>
  <rect x="{inner}" y="{inner}" width="{end - BORDER - inner}" height="{end - BORDER - inner}" rx="{TILE_RADIUS - BORDER}" fill="url(#tile)"/>
  <rect x="{BAR_LEFT}" y="{BAR_TOP}" width="{BAR_RIGHT - BAR_LEFT}" height="{STROKE}" fill="{hex_colour(ACCENT)}"/>
  <rect x="{stem_left}" y="{BAR_TOP + STROKE}" width="{STROKE}" height="{STEM_BOTTOM - BAR_TOP - STROKE}" fill="{hex_colour(ACCENT)}"/>
  <rect x="{BAR_RIGHT - STROKE}" y="{STEM_BOTTOM - STROKE}" width="{STROKE}" height="{STROKE}" fill="{hex_colour(ACCENT_LIGHT)}"/>
</svg>
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", metavar="DIR", help="also write icon-<size>.png into DIR")
    args = parser.parse_args()
    here = os.path.dirname(os.path.abspath(__file__))

    images = []
    for size in SIZES:
        rows = render(size)
        if args.preview:
            os.makedirs(args.preview, exist_ok=True)
            with open(os.path.join(args.preview, f"icon-{size}.png"), "wb") as f:
                f.write(png_bytes(size, rows))
        data = png_bytes(size, rows) if size in PNG_SIZES else bmp_bytes(size, rows)
        images.append((size, data))

    with open(os.path.join(here, "tessark.ico"), "wb") as f:
        f.write(ico_bytes(images))
    with open(os.path.join(here, "tessark.svg"), "w", encoding="ascii") as f:
        f.write(svg_text())


if __name__ == "__main__":
    main()
