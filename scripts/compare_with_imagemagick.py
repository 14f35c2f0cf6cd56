#!/usr/bin/env python3
"""Judges the converter's pages against ImageMagick's decoding of the same pictures.

Usage: compare_with_imagemagick.py CONVERTER SRGB_PROFILE WORK_DIR PATH...
Every file under the PATHs (folders are walked) in a format the converter takes is judged:
- ImageMagick decodes it, upright (-auto-orient), its embedded profile applied (-profile with
  sRGB's) and laid over the page's black background;
- the converter makes a page whose cells cover 4 x 4 pixels (1 x 1 where a side is not a
  multiple of 4);
- the page is ImageMagick's when every cell's colour is within 4 a channel of the mean of the
  pixels ImageMagick decoded there for lossless pictures, 10 for lossy ones (JPEG, JPEG in TIFF,
  lossy WebP, HEIF, AVIF): what decoders round differently.

ImageMagick 6 (Debian 12's) leaves out some of what these pictures hold, so for those the script
asks it differently rather than take its answer as the picture's page:
- an EXIF orientation in a PNG eXIf or WebP EXIF chunk is not read: the script reads it and gives
  it with -orient before -auto-orient;
- a colour profile in a HEIF or AVIF colr box is not read: the script takes it out and gives it
  with -profile before sRGB's;
- CIE L*a*b* TIFFs are turned to sRGB as if their white were D65, with no adaptation, and negative
  a* and b* are read one unit high (-40 as -39; -1 and 0 both as 0): the script takes ImageMagick's
  L*a*b* numbers, takes back that unit and converts them as colour management does (D50, TIFF's
  white when none is given, adapted to sRGB's D65 by Bradford's method);
- a GIF's colour profile (an ICCRGBG1 extension) is applied, which browsers do not do (Chromium
  shows such a GIF's numbers as sRGB) nor the converter: the script removes it first;
- the alpha of a HEIF or AVIF picture (an auxiliary picture) is not read at all: such pictures
  cannot be judged and are counted apart, as are pictures ImageMagick does not read.
"""
import os
import re
import struct
import subprocess
import sys

OURS = {"BMP", "BMP2", "BMP3", "PNG", "JPEG", "GIF", "TIFF", "WEBP", "HEIC", "AVIF"}
ORIENT = ["", "TopLeft", "TopRight", "BottomRight", "BottomLeft", "LeftTop", "RightTop", "RightBottom",
          "LeftBottom"]


def exif_orientation(exif):
    """The Orientation tag of an EXIF block (a TIFF header first, "Exif\\0\\0" allowed), or 0."""
    if exif.startswith(b"Exif\0\0"):
        exif = exif[6:]
    if len(exif) < 8 or exif[:2] not in (b"II", b"MM"):
        return 0
    order = "<" if exif[:2] == b"II" else ">"
    ifd = struct.unpack(order + "I", exif[4:8])[0]
    if ifd + 2 > len(exif):
        return 0
    count = struct.unpack(order + "H", exif[ifd:ifd + 2])[0]
    for n in range(count):
        entry = exif[ifd + 2 + 12 * n: ifd + 14 + 12 * n]
        if len(entry) == 12 and struct.unpack(order + "H", entry[:2])[0] == 0x0112:
            value = struct.unpack(order + "H", entry[8:10])[0]
            return value if 1 <= value <= 8 else 0
    return 0


def png_exif(data):
    at = 8
    while at + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"eXIf":
            return data[at + 8:at + 8 + size]
        if kind == b"IDAT":
            return b""  # eXIf counts only before the picture's data
        at += 12 + size
    return b""


def webp_chunks(data):
    at, chunks = 12, {}
    while at + 8 <= len(data):
        kind, size = struct.unpack("<4sI", data[at:at + 8])
        chunks.setdefault(kind, data[at + 8:at + 8 + size])
        at += 8 + size + (size & 1)
    return chunks


def boxes(data, at, end):
    """(type, payload) of each ISO box between at and end."""
    while at + 8 <= end:
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        head = 8
        if size == 1:
            size, head = struct.unpack(">Q", data[at + 8:at + 16])[0], 16
        elif size == 0:
            size = end - at
        if size < head:
            return
        yield kind, data[at + head:at + size]
        at += size


def heif_colour(data):
    """(ICC profile of the primary picture or b"", whether an alpha picture is present)."""
    meta = next((p for k, p in boxes(data, 0, len(data)) if k == b"meta"), None)
    if meta is None:
        return b"", False
    children = dict(boxes(meta, 4, len(meta)))
    pitm = children.get(b"pitm", b"\0" * 6)
    primary = int.from_bytes(pitm[4:6] if pitm[0] == 0 else pitm[4:8], "big")
    iprp = dict(boxes(children.get(b"iprp", b""), 0, len(children.get(b"iprp", b""))))
    properties = list(boxes(iprp.get(b"ipco", b""), 0, len(iprp.get(b"ipco", b""))))
    alpha = any(k == b"auxC" and (b"auxiliary:alpha" in p or b"auxid:1" in p) for k, p in properties)
    ipma = iprp.get(b"ipma", b"")
    if len(ipma) < 8:
        return b"", alpha
    version, flags = ipma[0], int.from_bytes(ipma[1:4], "big")
    at, entries = 8, struct.unpack(">I", ipma[4:8])[0]
    for _ in range(entries):
        item = int.from_bytes(ipma[at:at + (2 if version < 1 else 4)], "big")
        at += 2 if version < 1 else 4
        count = ipma[at]
        at += 1
        for _ in range(count):
            wide = flags & 1
            index = (int.from_bytes(ipma[at:at + 2], "big") & 0x7FFF) if wide else (ipma[at] & 0x7F)
            at += 2 if wide else 1
            if item == primary and 0 < index <= len(properties):
                kind, payload = properties[index - 1]
                if kind == b"colr" and payload[:4] in (b"prof", b"rICC"):
                    return payload[4:], alpha
    return b"", alpha


def lab_to_srgb(path):
    """ImageMagick's L*a*b* numbers of the first picture, converted as colour management does."""
    text = subprocess.run(["convert", path + "[0]", "-depth", "16", "txt:-"], capture_output=True,
                          text=True).stdout.splitlines()
    width, height = map(int, re.match(r"# ImageMagick pixel enumeration: (\d+),(\d+)", text[0]).groups())
    d50 = (0.96422, 1.0, 0.82521)
    bradford = ((0.9555766, -0.0230393, 0.0631636), (-0.0282895, 1.0099416, 0.0210077),
                (0.0122982, -0.0204830, 1.3299098))
    to_rgb = ((3.2404542, -1.5371385, -0.4985314), (-0.9692660, 1.8760108, 0.0415560),
              (0.0556434, -0.2040259, 1.0572252))

    def finv(t):
        return t ** 3 if t > 6 / 29 else 3 * (6 / 29) ** 2 * (t - 4 / 29)

    def encode(c):
        c = min(max(c, 0.0), 1.0)
        return int(round(255 * (12.92 * c if c <= 0.0031308 else 1.055 * c ** (1 / 2.4) - 0.055)))

    pixels = bytearray()
    for line in text[1:]:
        lab = re.search(r"cielab\(([^)]*)\)", line)
        if not lab:
            continue
        values = [float(v.rstrip("%")) for v in lab.group(1).split(",")[:3]]
        light, a, b = values
        a, b = (a - 1 if a < -0.5 else a), (b - 1 if b < -0.5 else b)
        fy = (light + 16) / 116
        xyz = (d50[0] * finv(fy + a / 500), finv(fy), d50[2] * finv(fy - b / 200))
        adapted = [sum(m * v for m, v in zip(row, xyz)) for row in bradford]
        pixels += bytes(encode(sum(m * v for m, v in zip(row, adapted))) for row in to_rgb)
    return width, height, bytes(pixels)


def ours_by_content(path):
    """Whether the file starts as a picture of a format the converter takes."""
    head = open(path, "rb").read(16)
    return head.startswith((b"\xff\xd8\xff", b"\x89PNG", b"GIF8", b"II*\0", b"MM\0*", b"BM", b"\xff\x0a",
                            b"\0\0\0\x0cJXL ")) or (head[:4] == b"RIFF" and head[8:12] == b"WEBP") or \
        (head[4:8] == b"ftyp" and head[8:12] in (b"heic", b"heix", b"mif1", b"msf1", b"avif", b"avis"))


def judge(tool, srgb, work, path):
    """('same'|'differ'|'refused'|'unread'|'other', message)"""
    kind = subprocess.run(["identify", "-format", "%m %[colorspace] %C\n", path + "[0]"], capture_output=True,
                          text=True)
    if kind.returncode != 0 or not kind.stdout.strip():
        return ("unread", "ImageMagick does not read it") if ours_by_content(path) else ("other", "")
    magick, colourspace, compression = (kind.stdout.split("\n")[0].split() + ["", ""])[:3]
    if magick not in OURS:
        return "other", f"{magick}: not a format the converter takes"
    data = open(path, "rb").read()
    before, profile = [], b""
    orientation = 0
    if magick == "PNG":
        orientation = exif_orientation(png_exif(data))
    elif magick == "WEBP":
        orientation = exif_orientation(webp_chunks(data).get(b"EXIF", b""))
    elif magick == "GIF":
        before += ["+profile", "*"]
    elif magick in ("HEIC", "AVIF"):
        profile, alpha = heif_colour(data)
        if alpha:
            return "unread", "ImageMagick does not read HEIF alpha"
    if orientation > 1:
        before += ["-orient", ORIENT[orientation]]
    if profile:
        own = os.path.join(work, "own.icc")
        open(own, "wb").write(profile)
        before += ["-profile", own]
    lossy = magick in ("JPEG", "HEIC", "AVIF") or (magick == "TIFF" and "JPEG" in compression.upper()) or \
        (magick == "WEBP" and b"VP8 " in webp_chunks(data))
    if magick == "TIFF" and colourspace == "CIELab":
        width, height, pixels = lab_to_srgb(path)
    else:
        im = subprocess.run(["convert", path + "[0]", *before, "-auto-orient", "-profile", srgb, "-background", "black",
                             "-flatten", "-colorspace", "sRGB", "-depth", "8", "-format", "%w %h\n", "-write", "info:-",
                             "rgb:-"], capture_output=True)
        if im.returncode != 0 or b"\n" not in im.stdout:
            return "unread", "ImageMagick does not read it"
        head, pixels = im.stdout.split(b"\n", 1)
        width, height = map(int, head.split())
    side = 4 if width % 4 == 0 and height % 4 == 0 else 1
    columns, rows = width // side, height // side
    page = os.path.join(work, "page.html")
    run = subprocess.run([tool, "-f", "-c", str(columns), "-r", str(rows), "-o", page, path], capture_output=True,
                         text=True)
    if run.returncode != 0:
        return "refused", "refused: " + run.stderr.strip()
    cells = [int(c, 16) for c in re.findall(r"<FONT COLOR=#([0-9A-F]{6})>", open(page).read())]
    tolerance = 10 if lossy else 4
    worst = 0
    for n, cell in enumerate(cells[: columns * rows]):
        x0, y0 = n % columns * side, n // columns * side
        for channel, shift in ((0, 16), (1, 8), (2, 0)):
            total = sum(pixels[3 * ((y0 + dy) * width + x0) + channel + 3 * dx]
                        for dy in range(side) for dx in range(side))
            mean = (total + side * side // 2) // (side * side)
            worst = max(worst, abs((cell >> shift & 255) - mean))
    if len(cells) == columns * rows and worst <= tolerance:
        return "same", ""
    return "differ", f"{len(cells)} cells of {columns} x {rows}; largest difference {worst} (tolerance {tolerance})"


def main():
    tool, srgb, work, paths = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    files = []
    for path in paths:
        if os.path.isdir(path):
            for folder, _, names in sorted(os.walk(path)):
                files += [os.path.join(folder, name) for name in sorted(names)]
        else:
            files.append(path)
    counts = dict.fromkeys(("same", "differ", "refused", "unread", "other"), 0)
    for path in files:
        verdict, message = judge(tool, srgb, work, path)
        counts[verdict] += 1
        if verdict not in ("same", "other"):
            print(f"{path}: {message}")
    judged = counts["same"] + counts["differ"] + counts["refused"]
    print(f"{counts['same']} of {judged} pictures ImageMagick reads give its page "
          f"({100.0 * counts['same'] / max(judged, 1):.1f} %); {counts['differ']} differ, {counts['refused']} refused; "
          f"{counts['unread']} not read (or not wholly) by ImageMagick; {counts['other']} of other formats")


if __name__ == "__main__":
    main()
