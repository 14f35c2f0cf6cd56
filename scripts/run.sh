#!/usr/bin/env bash
# Installs what is missing, builds the Windows program this machine runs (the 32-bit one, or the
# 64-bit one where 32-bit Wine is not installed or 32-bit programs cannot run: see
# scripts/wine-env.sh; GLYPHCAST_WINE64=1 forces it) and starts the wizard under Wine on this machine's display.
# Without a display it does the program's job all the same and exits 0: it shows the wizard on a
# virtual display and saves a picture of it, converts samples/sunset.bmp with the converter, and
# prints where both files are (under build/run/).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh

headless=0
[ -z "${DISPLAY:-}" ] && headless=1
# The program keeps a prefix of its own; on a virtual display (no window manager) Wine draws the
# window frames itself, which needs a prefix made for that.
if [ "$headless" = 1 ]; then
  GLYPHCAST_WINE_PREFIX_NAME=wineprefix-run GLYPHCAST_WINE_UNMANAGED=1 source scripts/wine-env.sh || exit 1
else
  GLYPHCAST_WINE_PREFIX_NAME=wineprefix-app source scripts/wine-env.sh || exit 1
fi
echo "Running the $GLYPHCAST_WINE_CHOICE."

build=build/app-$GLYPHCAST_WIN_ARCH
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$GLYPHCAST_TOOLCHAIN" \
      -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target glyphcast glyphcast-convert >/dev/null
exe=$build/app/glyphcast.exe
converter=$build/cli/glyphcast-convert.exe

if [ "$headless" = 0 ]; then
  exec "$GLYPHCAST_WINE" "$exe"
fi

echo "There is no display (DISPLAY is not set): showing the wizard on a virtual one instead."
out=$root/build/run
mkdir -p "$out"
picture=$out/wizard.png
page=$out/sunset.html
rm -f "$picture" "$page"

# A virtual display of its own; Xvfb picks a free number and tells it on the descriptor.
xvfb_pid=""
wine_pid=""
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
  timeout 30 wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -f "$out/display" "$out/wine.log"
  true
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "run: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$out/display")"

# Wine's desktop process keeps the display it started with: start afresh on this one.
timeout 30 wineserver -k 2>/dev/null || true
glyphcast_add_wine_fonts
"$GLYPHCAST_WINE" "$exe" >"$out/wine.log" 2>&1 &
wine_pid=$!
window=""
for _ in $(seq 600); do
  window=$(xdotool search --name '^Glyphcast$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  kill -0 "$wine_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "run: the wizard's window did not appear" >&2
  cat "$out/wine.log" >&2
  exit 1
fi
sleep 1  # let the first page paint
import -window "$window" "$picture"

# Alt+F4 cancels the wizard and the program ends.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4
for _ in $(seq 600); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$wine_pid" 2>/dev/null; then
  echo "run: the wizard did not close on Alt+F4" >&2
  exit 1
fi
wine_pid=""

"$GLYPHCAST_WINE" "$converter" --force --output "$(realpath --relative-to=. "$page")" samples/sunset.bmp

echo "Wizard's first page: $picture"
echo "samples/sunset.bmp as a page: $page"
