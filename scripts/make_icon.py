#!/usr/bin/env python3
"""Draws the Tessarine application icon and writes src/app/resources/Tessarine.ico.

The picture is a rounded teal-to-blue tile carrying a white tree: a root key
at the top left, a trunk running down from it, and two branches ending in
value bars, the way a registry tree looks in an editor.

The file holds nine DIB images: 16, 32 and 48 pixels square, each in 4-bit
(standard 16-colour palette), 8-bit (colour cube, greys and tile shades) and 32-bit
BGRA with alpha. Every image carries an AND mask. Only the standard library
is used and the output is byte-for-byte the same on every run.

Usage:  python3 scripts/make_icon.py [output.ico]
"""

import os
import struct
import sys

SIZES = (16, 32, 48)
DEPTHS = (4, 8, 32)

# Supersampling per pixel and axis; the picture is averaged from SS*SS samples.
SS = 8

TILE_TOP = (0x2C, 0xB5, 0xC2)     # teal
TILE_BOTTOM = (0x17, 0x6C, 0xB2)  # blue
TILE_EDGE = (0x0E, 0x4F, 0x7E)    # 1 px rim, keeps the tile apart from light backgrounds
SHADOW = (0x06, 0x2A, 0x4A)
SHADOW_ALPHA = 0.35
TREE = (0xFF, 0xFF, 0xFF)

# Tile placement per size: (inset in px, corner radius in px, draw the rim,
# vertical offset of the tree in px, tree corner radius in px, shadow).
TILE = {
    16: (0, 3.0, True, 0, 0.0, False),
    32: (1, 5.5, True, 1, 1.0, True),
    48: (2, 8.0, True, 1, 1.5, True),
}

# The tree, drawn on a 16-unit grid as half-open rectangles (x0, y0, x1, y1).
# One unit is one pixel at 16 px, two at 32 px and three at 48 px, so every
# edge lands on a pixel boundary.
TREE_RECTS = (
    (2, 2, 5, 5),     # root key
    (3, 5, 4, 12),    # trunk
    (4, 7, 7, 8),     # branch to the first value
    (7, 6, 14, 9),    # first value
    (4, 11, 7, 12),   # branch to the second value
    (7, 10, 14, 13),  # second value
)
# Only the nodes get rounded corners; the connecting lines stay square.
ROUNDED = (True, False, False, True, False, True)

# Standard 16-colour palette (Windows/VGA order), as RGB.
VGA16 = (
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
)


def palette256():
    """256 colours: the 6x6x6 colour cube (black first), 8 greys between its
    levels, and 32 shades of the tile (plain and under the shadow) so its
    gradient does not band."""
    levels = (0, 51, 102, 153, 204, 255)
    pal = [(r, g, b) for r in levels for g in levels for b in levels]
    # round(255*i/9) never falls on a multiple of 51, so no grey repeats the cube.
    pal += [((255 * i + 4) // 9,) * 3 for i in range(1, 9)]
    for i in range(16):
        shade = lerp(TILE_TOP, TILE_BOTTOM, (i + 0.5) / 16)
        pal.append(tuple(int(c + 0.5) for c in shade))
    for i in range(16):
        shade = lerp(lerp(TILE_TOP, TILE_BOTTOM, (i + 0.5) / 16), SHADOW, SHADOW_ALPHA)
        pal.append(tuple(int(c + 0.5) for c in shade))
    assert len(pal) == 256 and pal[0] == (0, 0, 0)
    return tuple(pal)


def in_round_rect(px, py, x0, y0, x1, y1, r):
    if px < x0 or px >= x1 or py < y0 or py >= y1:
        return False
    if r <= 0:
        return True
    cx = min(max(px, x0 + r), x1 - r)
    cy = min(max(py, y0 + r), y1 - r)
    dx = px - cx
    dy = py - cy
    return dx * dx + dy * dy <= r * r


def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def render(size):
    """Returns size*size straight-alpha RGBA tuples, top row first."""
    inset, radius, rim, dy, node_r, shadow = TILE[size]
    unit = size / 16.0
    t0, t1 = inset, size - inset
    tree = []
    for (x0, y0, x1, y1), rounded in zip(TREE_RECTS, ROUNDED):
        tree.append((x0 * unit, y0 * unit + dy, x1 * unit, y1 * unit + dy,
                     node_r if rounded else 0.0))

    def in_tree(px, py):
        for x0, y0, x1, y1, r in tree:
            if in_round_rect(px, py, x0, y0, x1, y1, r):
                return True
        return False

    pixels = []
    n = SS * SS
    for y in range(size):
        for x in range(size):
            acc_r = acc_g = acc_b = acc_a = 0.0
            for sy in range(SS):
                py = y + (sy + 0.5) / SS
                for sx in range(SS):
                    px = x + (sx + 0.5) / SS
                    if not in_round_rect(px, py, t0, t0, t1, t1, radius):
                        continue
                    if rim and not in_round_rect(px, py, t0 + 1, t0 + 1, t1 - 1, t1 - 1,
                                                 radius - 1):
                        col = TILE_EDGE
                    else:
                        col = lerp(TILE_TOP, TILE_BOTTOM, (py - t0) / (t1 - t0))
                    if in_tree(px, py):
                        col = TREE
                    elif shadow and in_tree(px, py - 1):
                        col = lerp(col, SHADOW, SHADOW_ALPHA)
                    acc_r += col[0]
                    acc_g += col[1]
                    acc_b += col[2]
                    acc_a += 1.0
            if acc_a == 0:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append((int(acc_r / acc_a + 0.5), int(acc_g / acc_a + 0.5),
                               int(acc_b / acc_a + 0.5), int(255 * acc_a / n + 0.5)))
    return pixels


def nearest(palette, rgb):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = (p[0] - rgb[0]) ** 2 + (p[1] - rgb[1]) ** 2 + (p[2] - rgb[2]) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


PALETTE256 = palette256()


def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def and_mask(size, transparent):
    """1 bpp mask, bottom row first; a set bit leaves the screen pixel as it is."""
    stride = row_bytes(size, 1)
    out = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(stride)
        for x in range(size):
            if transparent[y * size + x]:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def dib(size, bpp, pixels):
    """BITMAPINFOHEADER, palette, XOR image and AND mask of one icon image."""
    if bpp == 32:
        # The alpha channel carries the shape; the mask only covers pixels that
        # are fully clear, and those are written as black so AND/XOR leaves the
        # background alone.
        transparent = [p[3] == 0 for p in pixels]
        palette = ()
        xor = bytearray()
        for y in range(size - 1, -1, -1):
            for x in range(size):
                r, g, b, a = pixels[y * size + x]
                xor += bytes((b, g, r, a)) if a else bytes(4)
    else:
        palette = VGA16 if bpp == 4 else PALETTE256
        transparent = [p[3] < 128 for p in pixels]
        cache = {}
        index = []
        for p, clear in zip(pixels, transparent):
            if clear:
                index.append(0)  # black in both palettes
                continue
            rgb = p[:3]
            if rgb not in cache:
                cache[rgb] = nearest(palette, rgb)
            index.append(cache[rgb])
        stride = row_bytes(size, bpp)
        xor = bytearray()
        for y in range(size - 1, -1, -1):
            row = bytearray(stride)
            for x in range(size):
                i = index[y * size + x]
                if bpp == 8:
                    row[x] = i
                else:
                    row[x >> 1] |= i << (4 if x % 2 == 0 else 0)
            xor += row
    mask = and_mask(size, transparent)
    header = struct.pack('<IiiHHIIiiII',
                         40,                 # biSize
                         size,               # biWidth
                         size * 2,           # biHeight: XOR image and AND mask
                         1,                  # biPlanes
                         bpp,                # biBitCount
                         0,                  # biCompression = BI_RGB
                         len(xor) + len(mask),
                         0, 0,               # pels per metre
                         len(palette),       # biClrUsed
                         0)                  # biClrImportant
    quads = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + quads + bytes(xor) + mask


def build_ico():
    images = []
    for size in SIZES:
        pixels = render(size)
        for bpp in DEPTHS:
            images.append((size, bpp, dib(size, bpp, pixels)))
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        out += struct.pack('<BBBBHHII',
                           size, size,
                           16 if bpp == 4 else 0,  # bColorCount
                           0,                      # bReserved
                           1,                      # wPlanes
                           bpp,                    # wBitCount
                           len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = argv[1] if len(argv) > 1 else os.path.join(
        root, 'src', 'app', 'resources', 'Tessarine.ico')
    data = build_ico()
    with open(target, 'wb') as f:
        f.write(data)
    print('%s: %d bytes' % (target, len(data)))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
