#!/usr/bin/env python3
"""Draws Glyphcast's pictures and writes them as Windows resource files.

    res/glyphcast.ico  program icon: 32x32 and 16x16, each in 16 and in 256 colours, and in
                       256 colours the sizes of 125 %, 150 % and 200 % display scaling:
                       20x20, 24x24, 40x40, 48x48 and 64x64
    res/wizard.bmp     left panel of the title pages: 136x272, 24 bits per pixel
    res/hand.cur       link cursor: 32x32, and 48x48 and 64x64 for larger screens, two
                       colours, hot spot at the index fingertip

The pictures show what the program does: a sunset over hills and water, drawn as a
mosaic of coloured characters on a dark ground. Pure Python 3, no imaging library:
the file formats are written byte by byte. The output is deterministic, so running the
script again reproduces the committed files exactly.

Usage: python3 res/make_pictures.py [output directory]   (default: this script's directory)
"""

import math
import os
import random
import struct
import sys

# ---------------------------------------------------------------------------
# Glyphs

# 5x7 characters for the mosaic; '#' is a lit pixel.
FONT_5X7 = {
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "1": ["..#..", ".##..", "#.#..", "..#..", "..#..", "..#..", "#####"],
}

# 3x5 characters for the small icon.
FONT_3X5 = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
}

# ---------------------------------------------------------------------------
# Colour helpers (colours are (r, g, b) tuples of 0..255 integers)


def clamp(v, lo=0.0, hi=255.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    """Linear blend of two colours, t in 0..1."""
    t = clamp(t, 0.0, 1.0)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def gradient(stops, t):
    """Colour at t along a list of (position, colour) stops sorted by position."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0))
    return stops[-1][1]


def hexcolour(s):
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16))


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3 - 2 * t)


# ---------------------------------------------------------------------------
# The scene: a sunset over hills and a lake, in unit coordinates (u across, v down,
# both 0..1 of the panel). Returns a colour for any point.

SKY = [
    (0.00, hexcolour("120e36")),
    (0.20, hexcolour("2a1960")),
    (0.38, hexcolour("6a2a8c")),
    (0.50, hexcolour("c93f7d")),
    (0.57, hexcolour("f46f4c")),
    (0.62, hexcolour("ffb25a")),
]
SUN_CORE = hexcolour("fff6b0")
SUN_EDGE = hexcolour("ff9a36")
FAR_HILLS = hexcolour("4a2470")
NEAR_HILLS = hexcolour("150f33")
WATER_NEAR = hexcolour("4a1f5e")
WATER_DEEP = hexcolour("0e1238")

HORIZON = 0.655                          # where the water begins
SUN_U, SUN_V, SUN_R = 0.56, 0.555, 0.31  # radius in panel widths


def far_hills_top(u):
    return 0.590 + 0.020 * math.sin(u * 6.0 + 1.1) + 0.008 * math.sin(u * 19.0)


def near_hills_top(u):
    # A headland on the left running down to the shore on the right.
    return 0.655 - 0.075 * math.exp(-((u - 0.05) / 0.30) ** 2) + 0.005 * math.sin(u * 29.0)


def sun(u, v, aspect):
    """Colour of the sun at (u, v), or None outside it; its lower half is cut into bands."""
    d = math.hypot(u - SUN_U, (v - SUN_V) * aspect) / SUN_R
    if d >= 1.0:
        return None
    if v > SUN_V - 0.06:
        phase = (v - (SUN_V - 0.06)) / 0.045
        gap = 0.15 + 0.12 * phase
        if phase % 1.0 < gap:
            return None
    return mix(SUN_CORE, SUN_EDGE, smoothstep(-0.3, 1.0, d + (v - SUN_V) * 4.0))


def above_water(u, v, aspect):
    """Colour of the land and sky at (u, v); aspect = panel height / width."""
    colour = gradient(SKY, v)
    disc = sun(u, v, aspect)
    if disc is not None:
        colour = disc
    else:
        d = math.hypot(u - SUN_U, (v - SUN_V) * aspect) / SUN_R
        colour = mix(colour, SUN_EDGE, math.exp(-max(d - 1.0, 0.0) * 2.5) * 0.3)
    if v > far_hills_top(u):
        colour = mix(FAR_HILLS, colour, 0.15)
    if v > near_hills_top(u):
        colour = NEAR_HILLS
    return colour


def scene(u, v, aspect):
    if v < near_hills_top(u) or v < HORIZON:
        return above_water(u, v, aspect)
    # Water: dark, with the sun's reflection as a column of broken, shimmering streaks.
    depth = (v - HORIZON) / (1.0 - HORIZON)
    colour = mix(WATER_NEAR, WATER_DEEP, smoothstep(0.0, 0.8, depth))
    half_width = 0.30 - 0.14 * depth
    across = abs(u - SUN_U + 0.03 * math.sin(v * 90.0)) / half_width
    if across < 1.0:
        streak = 0.6 + 0.4 * math.sin(v * 170.0 + 3.0 * math.sin(u * 11.0))
        glint = (1.0 - across ** 2) * streak * (1.0 - 0.55 * depth)
        warm = mix(SKY[-2][1], SUN_EDGE, 1.0 - across)
        colour = mix(colour, warm, glint)
    return colour


def cell_colour(x0, y0, w, h, width, height, samples=4):
    """Average of the scene over a rectangle of the panel, as the program averages cells."""
    aspect = height / width
    acc = [0.0, 0.0, 0.0]
    for j in range(samples):
        for i in range(samples):
            u = (x0 + (i + 0.5) * w / samples) / width
            v = (y0 + (j + 0.5) * h / samples) / height
            c = scene(u, v, aspect)
            for k in range(3):
                acc[k] += c[k]
    n = samples * samples
    return tuple(acc[k] / n for k in range(3))


def lift(colour, amount):
    """Brightens a colour toward white while keeping its hue, so thin glyphs still read."""
    peak = max(colour) or 1.0
    scaled = tuple(c * min(255.0 / peak, 1.0 + amount) for c in colour)
    return tuple(int(round(clamp(c))) for c in scaled)


# ---------------------------------------------------------------------------
# Raster: a list of rows of (r, g, b)


def canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


def draw_glyph(img, glyph, x, y, colour, scale=1):
    for gy, row in enumerate(glyph):
        for gx, ch in enumerate(row):
            if ch == "#":
                for sy in range(scale):
                    for sx in range(scale):
                        px, py = x + gx * scale + sx, y + gy * scale + sy
                        if 0 <= py < len(img) and 0 <= px < len(img[0]):
                            img[py][px] = colour


def mosaic(img, x0, y0, cols, rows, cell_w, cell_h, font, glyph_dx, glyph_dy,
           region, rng, brightness):
    """Draws the scene over `region` (x, y, w, h in scene pixels) as cols x rows glyphs."""
    rx, ry, rw, rh = region
    for r in range(rows):
        for c in range(cols):
            colour = cell_colour(rx + c * rw / cols, ry + r * rh / rows, rw / cols, rh / rows,
                                 rw, rh)
            ch = rng.choice(sorted(font))
            draw_glyph(img, font[ch], x0 + c * cell_w + glyph_dx, y0 + r * cell_h + glyph_dy,
                       lift(colour, brightness))


# ---------------------------------------------------------------------------
# Title-page panel

PANEL_W, PANEL_H = 136, 272
GROUND = hexcolour("0b0c1c")


def make_panel():
    img = canvas(PANEL_W, PANEL_H, GROUND)
    # Faint vertical shading of the ground so the panel is not a flat slab.
    for y in range(PANEL_H):
        shade = mix(hexcolour("0d0b24"), hexcolour("070914"), y / PANEL_H)
        img[y] = [tuple(int(c) for c in shade)] * PANEL_W
    rng = random.Random(1729)
    cols, rows = 17, 34            # 8 x 8 pixel cells
    mosaic(img, 0, 0, cols, rows, 8, 8, FONT_5X7, 1, 0, (0, 0, PANEL_W, PANEL_H), rng, 0.35)
    # A few stars: single bright dots in the upper sky, between the glyphs.
    for _ in range(14):
        x = rng.randrange(0, PANEL_W // 8) * 8 + 7
        y = rng.randrange(0, 10) * 8 + 7
        img[y][x] = (230, 220, 255)
    return img


# ---------------------------------------------------------------------------
# Icon: a rounded dark tile carrying a tiny mosaic of the same scene


def rounded_mask(size, radius):
    """True where a pixel of a size x size rounded square is opaque."""
    mask = []
    for y in range(size):
        row = []
        for x in range(size):
            cx = min(max(x + 0.5, radius), size - radius)
            cy = min(max(y + 0.5, radius), size - radius)
            row.append(math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius)
        mask.append(row)
    return mask


# Glyph colours of the icon along its diagonal, in true colour and in the standard
# 16-colour palette (the 16-colour images are drawn from that palette, not reduced to it).
ICON_GLYPHS = [hexcolour(c) for c in ("ffe066", "ffab45", "ff7466", "f257b0", "b574ff", "6aa8ff")]
ICON_GLYPHS_16 = [(255, 255, 0), (255, 255, 0), (255, 0, 0), (255, 0, 255), (255, 0, 255),
                  (0, 255, 255)]
ICON_ROWS = ["101", "011"]


# Per icon size: corner radius, glyph scale (pixels per glyph pixel), the glyphs' top-left
# corner, and the width of the edge. The small and large icons of 96 dpi come first; the others
# serve the larger screens, with the characters as large as the tile allows.
ICON_LAYOUT = {
    16: (3, 1, (3, 2), 1),
    32: (5, 2, (5, 5), 1),
    20: (3, 1, (5, 4), 1),
    24: (4, 1, (7, 6), 1),
    40: (6, 3, (4, 4), 1),
    48: (7, 3, (8, 8), 1),
    64: (10, 4, (10, 10), 2),
}


def make_icon(size, sixteen):
    """The icon at size x size; sixteen selects the 16-colour drawing."""
    img = canvas(size, size, (0, 0, 0))
    radius, scale, (x0, y0), edge_width = ICON_LAYOUT[size]
    mask = rounded_mask(size, radius)
    inner = rounded_mask(size - 2 * edge_width, radius - edge_width)
    edge = (0, 0, 255) if sixteen else hexcolour("7a68e0")
    for y in range(size):
        for x in range(size):
            if not mask[y][x]:
                continue
            e = edge_width
            inside = e <= x < size - e and e <= y < size - e and inner[y - e][x - e]
            if not inside:
                img[y][x] = edge
            elif not sixteen:
                shade = mix(hexcolour("2b1f5c"), hexcolour("0a0b1a"), y / size)
                img[y][x] = tuple(int(c) for c in shade)
    colours = ICON_GLYPHS_16 if sixteen else ICON_GLYPHS
    # The large icons carry the small one's characters at two or more times the size. Every
    # stroke is then two pixels wide or more, so the characters survive being squeezed by a
    # pixel or two (as an icon static with a sunken border does to fit its client area).
    span = len(ICON_ROWS) + len(ICON_ROWS[0]) - 2
    for r, line in enumerate(ICON_ROWS):
        for c, ch in enumerate(line):
            k = round((r + c) * (len(colours) - 1) / span)
            draw_glyph(img, FONT_3X5[ch], x0 + c * 4 * scale, y0 + r * 6 * scale, colours[k], scale)
    return img, mask


# ---------------------------------------------------------------------------
# Palettes

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def nearest(palette, colour):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = sum((p[k] - colour[k]) ** 2 for k in range(3))
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def palette_of(img, limit):
    """Black first (transparent pixels need it), then the image's own colours by frequency;
    beyond `limit` colours the rarest are dropped and map to their nearest kept colour."""
    counts = {}
    for row in img:
        for c in row:
            counts[c] = counts.get(c, 0) + 1
    counts.pop((0, 0, 0), None)
    colours = sorted(counts, key=lambda c: (-counts[c], c))
    return [(0, 0, 0)] + colours[:limit - 1]


def indexed(img, palette):
    cache = {}
    out = []
    for row in img:
        line = []
        for c in row:
            if c not in cache:
                cache[c] = nearest(palette, c)
            line.append(cache[c])
        out.append(line)
    return out


# ---------------------------------------------------------------------------
# File formats (little-endian, rows stored bottom-up, each row padded to 4 bytes)


def row_bytes(bits_per_row):
    return ((bits_per_row + 31) // 32) * 4


def pack_rows(rows, bpp):
    """Packs rows of integers (palette indices or bits) at bpp bits each, bottom-up."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(row_bytes(len(row) * bpp))
        for x, value in enumerate(row):
            bit = x * bpp
            shift = 8 - bpp - (bit % 8)
            line[bit // 8] |= (value & ((1 << bpp) - 1)) << shift
        out += line
    return bytes(out)


def info_header(width, height, bpp, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, image_size, 0, 0,
                       colours, 0)


def rgbquads(palette, count):
    data = bytearray()
    for i in range(count):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        data += bytes((b, g, r, 0))
    return bytes(data)


def bmp24(img):
    h, w = len(img), len(img[0])
    pixels = bytearray()
    for row in reversed(img):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(row_bytes(w * 24) - len(line))
        pixels += line
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info_header(w, h, 24, len(pixels), 0) + bytes(pixels)


def dib_with_mask(indices, palette, bpp, mask):
    """An icon or cursor image: header (double height), palette, colour bits, AND mask."""
    h, w = len(indices), len(indices[0])
    xor = pack_rows(indices, bpp)
    and_bits = pack_rows([[0 if opaque else 1 for opaque in row] for row in mask], 1)
    colours = 1 << bpp
    return (info_header(w, h * 2, bpp, len(xor) + len(and_bits), 0)
            + rgbquads(palette, colours) + xor + and_bits)


def icon_image(img, mask, bpp):
    palette = VGA16 if bpp == 4 else palette_of(img, 256)
    indices = indexed(img, palette)
    # Transparent pixels carry colour 0 (black) so that AND-then-XOR leaves the screen alone.
    black = nearest(palette, (0, 0, 0))
    for y, row in enumerate(mask):
        for x, opaque in enumerate(row):
            if not opaque:
                indices[y][x] = black
    if palette[black] != (0, 0, 0):
        raise ValueError("palette needs pure black for transparent pixels")
    return dib_with_mask(indices, palette, bpp, mask)


def ico(images):
    """images: list of (width, height, bpp, dib bytes)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for w, h, bpp, dib in images:
        count = (1 << bpp) if bpp < 8 else 0
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, count, 0, 1, bpp, len(dib), offset)
        blobs += dib
        offset += len(dib)
    return header + entries + blobs


def cur(images):
    """images: list of (width, height, hot spot, dib bytes)."""
    header = struct.pack("<HHH", 0, 2, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for width, height, hotspot, dib in images:
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 2, 0, hotspot[0], hotspot[1],
                               len(dib), offset)
        blobs += dib
        offset += len(dib)
    return header + entries + blobs


# ---------------------------------------------------------------------------
# Cursor: a pointing hand. 'B' black outline, 'W' white, '.' transparent.

HAND = [
    ".....BBB",
    "....BWWWB",
    "....BWWWB",
    "....BWWWB",
    "....BWWWB",
    "....BWWWBBB",
    "....BWWWBWWBBB",
    "....BWWWBWWBWWBB",
    "....BWWWBWWBWWBWB",
    ".BB.BWWWBWWBWWBWWB",
    "BWWBBWWWWWWWWWWWWB",
    "BWWWWWWWWWWWWWWWWB",
    ".BWWWWWWWWWWWWWWWB",
    "..BWWWWWWWWWWWWWWB",
    "..BWWWWWWWWWWWWWWB",
    "...BWWWWWWWWWWWWWB",
    "...BWWWWWWWWWWWWB",
    "....BWWWWWWWWWWWB",
    "....BWWWWWWWWWWB",
    ".....BWWWWWWWWWB",
    ".....BWWWWWWWWWB",
    ".....BBBBBBBBBBB",
]
HAND_HOTSPOT = (6, 0)


def hand_image(size):
    """The hand at size x size (32 and up): the 32-pixel drawing with each of its pixels
    widened to the cells of a size / 32 grid, so the outline stays unbroken. Returns the
    image's bytes and its hot spot."""
    colour = [[0] * size for _ in range(size)]
    mask = [[False] * size for _ in range(size)]

    def span(i):
        return range(i * size // 32, (i + 1) * size // 32)

    for y, line in enumerate(HAND):
        for x, ch in enumerate(line):
            if ch in "BW":
                for ty in span(y):
                    for tx in span(x):
                        mask[ty][tx] = True
                        colour[ty][tx] = 1 if ch == "W" else 0
    if HAND[HAND_HOTSPOT[1]][HAND_HOTSPOT[0]] != "B":
        raise ValueError("the hot spot must lie on the fingertip")
    hotspot = (HAND_HOTSPOT[0] * size // 32, HAND_HOTSPOT[1] * size // 32)
    palette = [(0, 0, 0), (255, 255, 255)]
    return dib_with_mask(colour, palette, 1, mask), hotspot


def make_cursor():
    images = []
    for size in (32, 48, 64):
        dib, hotspot = hand_image(size)
        images.append((size, size, hotspot, dib))
    return cur(images)


# ---------------------------------------------------------------------------


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    images = []
    for size in (32, 16):
        for bpp in (4, 8):
            img, mask = make_icon(size, bpp == 4)
            images.append((size, size, bpp, icon_image(img, mask, bpp)))
    for size in (20, 24, 40, 48, 64):
        img, mask = make_icon(size, False)
        images.append((size, size, 8, icon_image(img, mask, 8)))
    files = {
        "glyphcast.ico": ico(images),
        "wizard.bmp": bmp24(make_panel()),
        "hand.cur": make_cursor(),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (name, len(data)))


if __name__ == "__main__":
    main()
