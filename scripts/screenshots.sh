#!/usr/bin/env bash
# Takes a picture of every wizard page and of the About box: builds the Windows program if
# needed, starts it under Wine on a virtual display of its own, walks through the pages with
# the keyboard (xdotool) and saves one PNG per page under docs/screenshots/.
#   BUILD_DIR          the Windows build directory (default build/win32)
#   SCREENSHOT_DISPLAY the virtual display's number (default 91)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD_DIR=${BUILD_DIR:-build/win32}
out=$root/docs/screenshots
exe=$BUILD_DIR/app/glyphcast.exe

for tool in Xvfb xdotool import wine; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (bash scripts/install-deps.sh)" >&2; exit 1; }
done

# Configure when needed; the build itself is quick when the program is up to date.
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
fi
cmake --build "$BUILD_DIR" -j2 --target glyphcast >/dev/null
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
# The colour button on its own (built with the UI tests), for the picture of its grid popup.
demo=$BUILD_DIR/tests/ui/color_button_demo.exe
cmake --build "$BUILD_DIR" -j2 --target color_button_demo >/dev/null 2>&1 || true
[ -f "$demo" ] && demo=$(cd "$(dirname "$demo")" && pwd)/$(basename "$demo")

# A prefix of its own in which Wine draws the window frames itself: there is no window manager.
export WINEPREFIX=${SCREENSHOT_WINEPREFIX:-$root/$BUILD_DIR/wineprefix-screenshots}
source scripts/wine-env.sh

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
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Wine's own fonts (Debian package fonts-wine): the caption buttons' symbols and the dialogs'
# "MS Sans Serif". Its Tahoma is left out: its bold renders as regular at title sizes, and the
# system's sans serif stands in well for the message font.
if [ -d /usr/share/wine/fonts ]; then
  for font in /usr/share/wine/fonts/*; do
    case "$(basename "$font")" in tahoma*) continue ;; esac
    cp -n "$font" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  done
fi

# A picture to convert, made here so the run needs no fixture, in the prefix's public pictures.
pictures="$WINEPREFIX/drive_c/users/Public/Pictures"
mkdir -p "$pictures"
rm -f "$pictures/sunset.html"
convert -size 200x140 -seed 7 plasma:fractal -blur 0x2 -type TrueColor "BMP3:$pictures/sunset.bmp"
winpicture='C:\users\Public\Pictures\sunset.bmp'

wine "$exe" >"$work/wine.log" 2>&1 &
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

# The same, taken from the screen: popups that lie over the window are then in the picture too.
shoot_screen() {
  sleep 0.8
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$2.png"
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

# The colour grid popup, open below its button: Space opens it with the button's colour (navy)
# selected, and three presses of Up walk from the Other cell to the last cell and up to teal,
# which is then the hot cell. The popup opens over the dialog, so the dialog's picture holds it.
if [ -f "$demo" ]; then
  wine "$demo" >"$work/demo.log" 2>&1 &
  wine_pid=$!
  dialog=$(find_window "Colour button")
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  sleep 0.4
  key space
  key Up Up Up
  shoot_screen "$dialog" colorgrid
  key Escape
  key alt+F4
  for _ in $(seq 50); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$wine_pid" 2>/dev/null || true
  wine_pid=""
fi
