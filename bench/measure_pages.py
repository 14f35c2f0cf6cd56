#!/usr/bin/env python3
"""How much a page looks like its picture, and what it costs, for each page style.

Converts photos that come with scikit-image (astronaut, coffee, chelsea, rocket) with
glyphcast-convert at 160 columns, renders each page with headless Chromium in several fonts, cuts
the mosaic out of the screenshot and compares it with the photo scaled to the same box:

  SSIM    structural similarity of the luminance, both shrunk to 400 pixels wide
  dE      mean CIEDE2000 colour difference, at the same size
  aspect  the mosaic's width over height against the photo's, in per cent (0 is exact)
  B/cell  the page's bytes over its cells
  copy    whether the page's text, selected whole, gives one line of COLUMNS characters a row

The fonts: "page" is the page as written (its own font stack); the others are put in its place,
as a browser that falls back to them would: Chromium's default monospace and two more faces.

Needs Debian's chromium, python3-skimage and the fonts named (scripts/install-deps.sh measure installs them).
Run through bench/measure-pages.sh, which installs them and builds the converter first.
"""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile

import numpy as np
from skimage import color, data, io, transform
from skimage.metrics import structural_similarity

# The page styles as the converter makes them: a label and its options.
VARIANTS = {
    "classic": [],
    "classic-block": ["--characters", "\u2588"],
    "photo": ["--style", "photo"],
    "photo-01": ["--style", "photo", "--characters", "01"],
    "photo-block": ["--style", "photo", "--characters", "\u2588"],
    "photo-shades": ["--style", "photo", "--characters", "\u2591\u2592\u2593"],
}
FONTS = ["page", "monospace", "Liberation Mono", "FreeMono"]
# The browser window: room for a mosaic of 160 columns in any of the fonts.
WINDOW = (2000, 2000)

# Reads back where the mosaic lies and what copying the page gives, through the page's title.
PROBE = """<script>
addEventListener('load', () => {
  // The mosaic: the <pre> of the photo page; the text of the classic page, line by line.
  let left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
  const pre = document.querySelector('pre');
  const boxes = [];
  if (pre) {
    boxes.push(pre.getBoundingClientRect());
  } else {
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (!node.data.trim()) continue;
      const range = document.createRange();
      range.selectNodeContents(node);
      boxes.push(...range.getClientRects());
    }
  }
  for (const box of boxes) {
    if (box.width <= 0 || box.height <= 0) continue;
    left = Math.min(left, box.left); top = Math.min(top, box.top);
    right = Math.max(right, box.right); bottom = Math.max(bottom, box.bottom);
  }
  const selection = getSelection();
  selection.selectAllChildren(document.body);
  const lines = selection.toString().replace(/\\n+$/, '').split('\\n').map(line => [...line].length);
  selection.removeAllRanges();
  document.title = JSON.stringify({box: [left, top, right, bottom], lines: lines});
});
</script>"""


def chromium(arguments):
    command = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
               "--force-device-scale-factor=1", "--font-render-hinting=none"] + arguments
    return subprocess.run(command, capture_output=True, text=True, timeout=300)


def render(page, work, font):
    """The screenshot of the page in font, the mosaic's box in it, and the copied lines' lengths."""
    if font != "page":
        family = "monospace" if font == "monospace" else "'%s'" % font
        page += ("<style>*{font-family:%s !important}</style>" % family).encode()
    path = os.path.join(work, "measured.html")
    with open(path, "wb") as out:
        out.write(page + PROBE.encode())
    # One window for both, so that the centred mosaic lies where it was measured.
    window = "--window-size=%d,%d" % WINDOW
    dom = chromium(["--dump-dom", "--virtual-time-budget=10000", window, "file://" + path]).stdout
    found = re.search(r"<title>(\{.*?\})</title>", dom)
    if not found:
        raise RuntimeError("Chromium gave no measurement of " + path)
    probe = json.loads(found.group(1))
    left, top, right, bottom = (int(round(v)) for v in probe["box"])
    shot = os.path.join(work, "measured.png")
    chromium(["--screenshot=" + shot, window, "file://" + path])
    if right > WINDOW[0] or bottom > WINDOW[1]:
        raise RuntimeError("the mosaic of %s does not fit in the window" % path)
    return io.imread(shot)[:, :, :3], (left, top, right, bottom), probe["lines"]


def compare(mosaic, photo):
    """SSIM of the luminance and mean CIEDE2000, both at 400 pixels wide in the mosaic's box."""
    width = 400
    height = max(7, int(round(width * mosaic.shape[0] / mosaic.shape[1])))
    a = transform.resize(mosaic, (height, width), anti_aliasing=True)
    b = transform.resize(photo, (height, width), anti_aliasing=True)
    ssim = structural_similarity(color.rgb2gray(a), color.rgb2gray(b), data_range=1.0)
    difference = color.deltaE_ciede2000(color.rgb2lab(a), color.rgb2lab(b)).mean()
    return ssim, difference


def grid_of(page):
    """The page's columns and rows, from its markup."""
    text = page.decode("utf-8", "replace")
    if "<pre>" in text:
        body = text[text.index("<pre>") + 5:text.index("</pre>")]
        rows = body.rstrip("\n").split("\n")
        cells = re.sub(r"<[^>]*>", "", rows[0])
        cells = re.sub(r"&[a-z]+;|&#[0-9]+;", "x", cells)
        return len(cells), len(rows)
    rows = text.count("<BR>")
    first = text[:text.index("<BR>")]
    return first.count("<FONT COLOR="), rows


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--converter", required=True, help="the glyphcast-convert to run")
    parser.add_argument("--photos", default="astronaut,coffee,chelsea,rocket")
    parser.add_argument("--variants", default=",".join(VARIANTS))
    parser.add_argument("--fonts", default=",".join(FONTS))
    parser.add_argument("--columns", type=int, default=160)
    parser.add_argument("--keep", help="a folder to keep the pictures, pages and mosaics in")
    args = parser.parse_args()

    work = args.keep or tempfile.mkdtemp(prefix="glyphcast-measure-")
    os.makedirs(work, exist_ok=True)
    print("| photo | page | font | SSIM | dE | aspect | B/cell | copy |")
    print("|---|---|---|---|---|---|---|---|")
    results = {}
    failed = False
    for name in args.photos.split(","):
        photo = getattr(data, name)()[:, :, :3]
        source = os.path.join(work, name + ".png")
        io.imsave(source, photo, check_contrast=False)
        for variant in args.variants.split(","):
            target = os.path.join(work, "%s-%s.html" % (name, variant))
            run = subprocess.run([args.converter, "--force", "--columns", str(args.columns), "--output", target,
                                  source] + VARIANTS[variant], capture_output=True, text=True)
            if run.returncode != 0:
                print("%s %s: %s" % (name, variant, run.stderr.strip()), file=sys.stderr)
                failed = True
                continue
            with open(target, "rb") as page_file:
                page = page_file.read()
            columns, rows = grid_of(page)
            for font in args.fonts.split(","):
                shot, (left, top, right, bottom), lines = render(page, work, font)
                mosaic = shot[top:bottom, left:right]
                if args.keep:
                    io.imsave(os.path.join(work, "%s-%s-%s.png" % (name, variant, font.replace(" ", ""))), mosaic,
                              check_contrast=False)
                ssim, difference = compare(mosaic, photo)
                aspect = (mosaic.shape[1] / mosaic.shape[0]) / (photo.shape[1] / photo.shape[0]) - 1
                copied = len(lines) == rows and all(length == columns for length in lines)
                results.setdefault((variant, font), []).append((ssim, difference, aspect))
                print("| %s | %s | %s | %.3f | %.2f | %+.1f %% | %.1f | %s |" % (
                    name, variant, font, ssim, difference, aspect * 100, len(page) / (columns * rows),
                    "yes" if copied else "no"), flush=True)

    print()
    print("Ranges over the photos (figures reported for another converter's filled colour HTML page: "
          "SSIM 0.50-0.66, dE 3.6-5.5, aspect within 2 %, 64 B/cell):")
    for (variant, font), values in sorted(results.items()):
        ssims, differences, aspects = zip(*values)
        print("  %-14s %-16s SSIM %.3f-%.3f  dE %.2f-%.2f  aspect %+.1f to %+.1f %%" % (
            variant, font, min(ssims), max(ssims), min(differences), max(differences),
            min(aspects) * 100, max(aspects) * 100))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
