#!/usr/bin/env bash
# Measures how many pictures give the page of ImageMagick's decoding: every cell of a page whose
# cells cover 4 x 4 pixels (1 x 1 where the sides are not multiples of 4) within what decoders
# round differently (4 a channel for lossless pictures, 10 for lossy ones: JPEG, lossy WebP, HEIF,
# AVIF) of the average of the pixels ImageMagick decodes there, turned upright (-auto-orient), its
# embedded colour profile applied (-profile with sRGB's) and laid over the page's black background.
# Usage: scripts/compare-with-imagemagick.sh [DIRECTORY...]
#   With no directory, the sample pictures bench/SamplePictures.cpp writes with the libraries'
#   own encoders; otherwise every file in the directories given (say, a Debian package's test
#   pictures). Pictures ImageMagick does not read (JPEG XL: Debian's ImageMagick 6 has no coder)
#   are counted apart. The build goes to build/compare (Release, no sanitizers).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${COMPARE_BUILD_DIR:-$root/build/compare}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_SANITIZE=OFF -DGLYPHCAST_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target glyphcast-convert glyphcast_sample_pictures >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/glyphcast_sample_pictures" "$work" >/dev/null
dirs=("$@")
[ ${#dirs[@]} -gt 0 ] || dirs=("$work")

python3 - "$build/cli/glyphcast-convert" "$work" "${dirs[@]}" <<'PY'
import os, re, subprocess, sys
tool, work, dirs = sys.argv[1], sys.argv[2], sys.argv[3:]
srgb = os.path.join(work, "srgb.icc")
lossy = re.compile(r"\.(jpe?g|heic|heif|avif)$|lossy", re.I)
same = differ = unread = refused = 0
for d in dirs:
    for name in sorted(os.listdir(d)):
        path = os.path.join(d, name)
        if not os.path.isfile(path) or name.endswith((".icc", ".html")):
            continue
        im = subprocess.run(["convert", path + "[0]", "-auto-orient", "-profile", srgb, "-background", "black",
                             "-flatten", "-colorspace", "sRGB", "-depth", "8", "-format", "%w %h\n", "-write", "info:-", "rgb:-"],
                            capture_output=True)
        if im.returncode != 0 or not im.stdout:
            unread += 1
            print(f"{name}: ImageMagick does not read it")
            continue
        head, pixels = im.stdout.split(b"\n", 1)
        width, height = map(int, head.split())
        side = 4 if width % 4 == 0 and height % 4 == 0 else 1
        columns, rows = width // side, height // side
        page = os.path.join(work, "page.html")
        run = subprocess.run([tool, "-f", "-c", str(columns), "-r", str(rows), "-o", page, path],
                             capture_output=True, text=True)
        if run.returncode != 0:
            refused += 1
            print(f"{name}: refused: {run.stderr.strip()}")
            continue
        cells = [int(c, 16) for c in re.findall(r"<FONT COLOR=#([0-9A-F]{6})>", open(page).read())]
        tolerance = 10 if lossy.search(name) else 4
        worst = 0
        for n, cell in enumerate(cells[: columns * rows]):
            x0, y0 = n % columns * side, n // columns * side
            mean = []
            for channel in range(3):
                total = sum(pixels[3 * ((y0 + dy) * width + x0 + dx) + channel] for dy in range(side) for dx in range(side))
                mean.append((total + side * side // 2) // (side * side))
            worst = max(worst, abs((cell >> 16) - mean[0]), abs((cell >> 8 & 255) - mean[1]), abs((cell & 255) - mean[2]))
        if len(cells) == columns * rows and worst <= tolerance:
            same += 1
        else:
            differ += 1
            print(f"{name}: {len(cells)} cells of {columns} x {rows}; largest difference {worst} (tolerance {tolerance})")
judged = same + differ + refused
print(f"{same} of {judged} pictures ImageMagick reads give its page ({100.0 * same / max(judged, 1):.1f} %); "
      f"{differ} differ, {refused} refused; {unread} not read by ImageMagick")
PY
