#!/usr/bin/env bash
# The wizard's benchmark under Wine on a virtual display: the finish page's preview of a 4000 x 3000
# photo at 200 x 75 cells (from the page shown to the preview drawn, and the window's answers
# meanwhile), then typing the name of a 16384 x 16384 interlaced 16-bit PNG on the source page
# (each keystroke's answer, the window's answers, the memory held), and the whole process's largest
# resident size as the system saw it. Uses the Windows build this machine runs (scripts/wine-env.sh).
# Usage: bench/wizard.sh [REPEATS]    BENCH_KEEP=1 keeps the two pictures in build/bench-wizard.
set -euo pipefail
cd "$(dirname "$0")/.."
GLYPHCAST_WINE_PREFIX_NAME=wineprefix GLYPHCAST_WINE_UNMANAGED=1 source scripts/wine-env.sh
build=build/$GLYPHCAST_WIN_ARCH
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$GLYPHCAST_TOOLCHAIN" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target glyphcast_wizard_bench >/dev/null
glyphcast_add_wine_fonts

work=$PWD/build/bench-wizard
mkdir -p "$work"
[ -f "$work/photo.jpg" ] || convert -size 4000x3000 -seed 3 plasma:fractal -blur 0x1 -quality 90 "$work/photo.jpg"
[ -f "$work/huge.png" ] || python3 bench/make_huge_png.py "$work/huge.png"
photo=$("$GLYPHCAST_WINE" winepath -w "$work/photo.jpg" 2>/dev/null)
huge=$("$GLYPHCAST_WINE" winepath -w "$work/huge.png" 2>/dev/null)
echo "$GLYPHCAST_WINE_CHOICE"
# Wine's server, started above without a display, goes first: the program's windows need this one.
wineserver -k 2>/dev/null || true
xvfb-run -a -s "-screen 0 1024x768x24" /usr/bin/time -f "whole process: %M KB at most resident, %e s" \
  "$GLYPHCAST_WINE" "$build/bench/glyphcast_wizard_bench.exe" "$photo" "$huge" "${1:-5}"
wineserver -k 2>/dev/null || true
[ "${BENCH_KEEP:-0}" = 1 ] || rm -f "$work/photo.jpg" "$work/huge.png"
