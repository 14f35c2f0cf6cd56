#!/usr/bin/env bash
# Takes a picture of every wizard page and of the About box: builds the Windows program if
# needed, starts it under Wine on a virtual display of its own, walks through the pages with
# the keyboard (xdotool) and saves one PNG per page under docs/screenshots/. It uses the Windows
# build this machine runs (32-bit, or 64-bit where 32-bit programs cannot run; see
# scripts/wine-env.sh, whose GLYPHCAST_WINE64=1 forces the 64-bit one).
#   BUILD_DIR          the Windows build directory (default build/win32 or build/win64)
#   SCREENSHOT_DISPLAY the virtual display's number (default 91)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/docs/screenshots

for tool in Xvfb xdotool import wineserver; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (bash scripts/install-deps.sh)" >&2; exit 1; }
done

# A prefix of its own in which Wine draws the window frames itself: there is no window manager.
[ -n "${SCREENSHOT_WINEPREFIX:-}" ] && export WINEPREFIX=$SCREENSHOT_WINEPREFIX
GLYPHCAST_WINE_PREFIX_NAME=wineprefix-screenshots source scripts/wine-env.sh || exit 1
BUILD_DIR=${BUILD_DIR:-build/$GLYPHCAST_WIN_ARCH}
exe=$BUILD_DIR/app/glyphcast.exe

# Configure when needed; the build itself is quick when the program is up to date.
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$GLYPHCAST_TOOLCHAIN" >/dev/null
fi
cmake --build "$BUILD_DIR" -j2 --target glyphcast >/dev/null
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")

work=$(mktemp -d)
display=":${SCREENSHOT_DISPLAY:-91}"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
wine_pid=""
cleanup() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
# Wine's desktop process keeps the display it started with: start afresh on this one.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
"$GLYPHCAST_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
glyphcast_add_wine_fonts

# A picture to convert, made here so the run needs no fixture, in the prefix's public pictures.
pictures="$WINEPREFIX/drive_c/users/Public/Pictures"
mkdir -p "$pictures"
rm -f "$pictures/sunset.html"
convert -size 200x140 -seed 7 plasma:fractal -blur 0x2 -type TrueColor "BMP3:$pictures/sunset.bmp"
winpicture='C:\users\Public\Pictures\sunset.bmp'

"$GLYPHCAST_WINE" "$exe" >"$work/wine.log" 2>&1 &
wine_pid=$!

# The window with exactly this title, waiting up to about a minute for it (Wine may be starting).
find_window() {
  local id=""
  for _ in $(seq 600); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "screenshots: no window titled '$1' appeared" >&2; cat "$work/wine.log" >&2; exit 1; }
  echo "$id"
}

# Saves the window as docs/screenshots/NAME.png.
shoot() {
  sleep 0.8
  import -window "$1" "$out/$2.png"
  echo "saved docs/screenshots/$2.png"
}

# Real key presses (XTEST) into the window that has the focus.
key() {
  xdotool key --clearmodifiers "$@"
  sleep 0.4
}

mkdir -p "$out"
wizard=$(find_window Glyphcast)
xdotool windowfocus --sync "$wizard" 2>/dev/null || true
shoot "$wizard" welcome
key Return

if grep -q 'new CSourcePage' app/ConverterWizard.cpp; then
  # The path edit has the focus when the page is shown.
  xdotool type --delay 20 "$winpicture"
  shoot "$wizard" source
  key Return
fi

if grep -q 'new COutputPage' app/ConverterWizard.cpp; then
  shoot "$wizard" output
  key Return
fi

shoot "$wizard" finish

# The system menu's last entry is the About box.
key alt+space
key Up
key Return
about=$(find_window "About Glyphcast")
shoot "$about" about
xdotool windowfocus --sync "$about" 2>/dev/null || true
key Escape
xdotool windowfocus --sync "$wizard" 2>/dev/null || true
sleep 0.4

# Alt+F4 cancels the wizard; the program then ends.
key alt+F4
for _ in $(seq 50); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$wine_pid" 2>/dev/null; then
  echo "screenshots: the wizard did not close on Alt+F4" >&2
  exit 1
fi
wine_pid=""
