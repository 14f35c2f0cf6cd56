#!/usr/bin/env bash
# Takes a picture of every wizard page and of the About box: builds the Windows program if
# needed, starts it under Wine on a virtual display of its own, walks through the pages with
# the keyboard (xdotool) and saves one PNG per page under docs/screenshots/, with the output
# page once more with a long face name in its sample and its colour grid open, and the page the
# wizard wrote, as a browser shows it; the finish page's preview of a photo's page, reduced; a
# source page with a Greek file name, the output page with block characters and a face with an
# apostrophe, and the page that makes, whose face the browser must read back whole; the source
# page of a picture too large to preview; then the output page with the largest counts and the size
# of their page, and the finish page while that page is being written. It uses the Windows build this machine runs (32-bit,
# or 64-bit where 32-bit Wine is missing or 32-bit programs cannot run; see scripts/wine-env.sh, whose GLYPHCAST_WINE64=1
# forces the 64-bit one).
#   BUILD_DIR          the Windows build directory (default build/win32 or build/win64)
#   SCREENSHOT_DISPLAY the virtual display's number (default 91)
#   SCREENSHOT_DPI     the screen's resolution (default 96): at any other, the pages, the About box
#                      and the colour grid are taken in a prefix of that resolution, on a screen as
#                      much larger, and saved beside the others as NAME-DPI.png (welcome-192.png);
#                      the written page, which does not depend on it, is not taken again
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/docs/screenshots

bash scripts/install-deps.sh screenshots
for tool in Xvfb xdotool import wineserver chromium; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (bash scripts/install-deps.sh)" >&2; exit 1; }
done

dpi=${SCREENSHOT_DPI:-96}
[[ $dpi =~ ^[1-9][0-9]*$ ]] || { echo "screenshots: SCREENSHOT_DPI must be a number of dots per inch" >&2; exit 1; }
suffix=""
prefix_name=wineprefix-screenshots
if [ "$dpi" != 96 ]; then
  suffix=-$dpi
  prefix_name=wineprefix-screenshots-$dpi
fi

# A prefix of its own in which Wine draws the window frames itself: there is no window manager.
[ -n "${SCREENSHOT_WINEPREFIX:-}" ] && export WINEPREFIX=$SCREENSHOT_WINEPREFIX
GLYPHCAST_WINE_PREFIX_NAME=$prefix_name source scripts/wine-env.sh || exit 1
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
Xvfb "$display" -screen 0 $((1024 * dpi / 96))x$((768 * dpi / 96))x24 -nolisten tcp >/dev/null 2>&1 &
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
# The screen's resolution, read when Wine starts.
"$GLYPHCAST_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
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
# A photo as a phone takes it: 720 x 960 upright, stored a quarter turned with an EXIF orientation.
rm -f "$pictures/photo.html"
python3 scripts/make_photo.py 720 960 "$work/photo.ppm"
convert "$work/photo.ppm" -quality 90 "$work/plain.jpg"
python3 scripts/make_photo.py --exif "$work/plain.jpg" "$pictures/photo.jpg"
winphoto='C:\users\Public\Pictures\photo.jpg'

# A face whose name is too long for the font sample: an alias of a fixed-pitch face the prefix
# has, made only for the picture of the shortened sample.
long_face="Very Long Monospaced Face Name"
"$GLYPHCAST_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$long_face" /d "DejaVu Sans Mono" /f >/dev/null 2>&1

# Starts the program in the background.
start_program() {
  "$GLYPHCAST_WINE" "$exe" >"$work/wine.log" 2>&1 &
  wine_pid=$!
}

# Waits for the program to end by itself, its window included.
wait_for_end() {
  for _ in $(seq 100); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$wine_pid" 2>/dev/null; then
    echo "screenshots: the wizard did not close on $1" >&2
    exit 1
  fi
  wine_pid=""
  for _ in $(seq 50); do xdotool search --name "^Glyphcast\$" >/dev/null 2>&1 || break; sleep 0.1; done
}

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

# Saves the window as docs/screenshots/NAME.png (NAME-DPI.png at another resolution).
shoot() {
  sleep 0.8
  import -window "$1" "$out/$2$suffix.png"
  echo "saved docs/screenshots/$2$suffix.png"
}

# The same, taken from the screen around the program's visible windows: popups that lie over the
# window or reach beyond it are then in the picture too.
shoot_screen() {
  sleep 0.8
  local id X Y WIDTH HEIGHT left top right bottom
  left=100000 top=100000 right=0 bottom=0
  for id in "$1" $(xdotool search --onlyvisible --classname glyphcast.exe 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    [ "$X" -lt "$left" ] && left=$X
    [ "$Y" -lt "$top" ] && top=$Y
    [ $((X + WIDTH)) -gt "$right" ] && right=$((X + WIDTH))
    [ $((Y + HEIGHT)) -gt "$bottom" ] && bottom=$((Y + HEIGHT))
  done
  import -window root -crop "$((right - left))x$((bottom - top))+${left}+${top}" +repage "$out/$2$suffix.png"
  echo "saved docs/screenshots/$2$suffix.png"
}

# Real key presses (XTEST) into the window that has the focus.
key() {
  xdotool key --clearmodifiers "$@"
  sleep 0.4
}

# Shows a written page in a browser (Debian's Chromium, headless) and saves what it draws,
# a window as wide as the mosaic's 100 columns (760 pixels unless given) and as high as its rows.
browser_page() {
  local page=$1 picture=$2 width=${3:-760} rows
  rows=$(grep -c '<BR>' "$page" || true)
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/browser" --hide-scrollbars --window-size=$width,$((rows * 11 + 24)) \
    --screenshot="$picture" "file://$page" >"$work/browser.log" 2>&1 ||
    { echo "screenshots: the browser could not show $page" >&2; cat "$work/browser.log" >&2; exit 1; }
  echo "saved ${picture#$root/}"
}

mkdir -p "$out"
start_program
wizard=$(find_window Glyphcast)
xdotool windowfocus --sync "$wizard" 2>/dev/null || true
shoot "$wizard" welcome
key Return

# The path edit has the focus when the page is shown.
xdotool type --delay 20 "$winpicture"
shoot "$wizard" source
key Return

# The default settings for this picture.
shoot "$wizard" output
key Return

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

# Finish with "open" unticked (the box has the focus): the wizard writes the page and ends.
key space
key Return
wait_for_end Finish
[ "$dpi" = 96 ] && browser_page "$pictures/sunset.html" "$out/wizard-page.png"

# Starts the program again and types a picture's path on the source page.
source_page_with() {
  start_program
  wizard=$(find_window Glyphcast)
  xdotool windowfocus --sync "$wizard" 2>/dev/null || true
  sleep 0.8
  key Return
  xdotool type --delay 20 "$1"
}

# Once more to the output page, where the sample shows the long face name shortened.
source_page_with "$winpicture"
key Return
# From the target edit to the font list, then the first face beginning with V.
for _ in 1 2 3 4 5 6 7; do key Tab; done
key v
shoot "$wizard" output-long-face

# The colour grid open below its button: Space opens it with the button's colour (black)
# selected, and three presses of Up walk from the Other cell to the last cell and up to teal,
# which is then the hot cell. The popup lies over the wizard, so the screen's picture holds it.
key Tab
key space
key Up Up Up
shoot_screen "$wizard" colorgrid
key Escape

# Alt+F4 cancels the wizard; the program then ends.
key alt+F4
wait_for_end Alt+F4

# The photo: previewed upright on the source page, then written with the default settings; the
# finish page previews its page reduced.
source_page_with "$winphoto"
shoot "$wizard" source-photo
key Return
key Return
shoot "$wizard" finish-photo
key space
key Return
wait_for_end Finish
browser_page "$pictures/photo.html" "$out/photo-page.png"

# The same photo in the photo style, chosen last on the output page (nine tabs from the target
# edit): the finish page previews that page, both colours of every cell. The page written above is
# removed first, so that Next does not ask whether to replace it.
rm -f "$pictures/photo.html"
source_page_with "$winphoto"
sleep 1
key Return
sleep 1
for _ in 1 2 3 4 5 6 7 8 9; do key Tab; done
key p
shoot "$wizard" output-photo-style
key Return
sleep 1
shoot "$wizard" finish-photo-style
key alt+F4
wait_for_end Alt+F4

# Any script: a picture whose name is Greek on the source page; the block and shade characters in
# the character set on the output page, with a face whose name holds an apostrophe (an alias Wine
# makes of a fixed-pitch face); the page it makes as a browser shows it. The browser also reads the
# face back from the page's head: it must get the whole name.
quote_face="O'Neil Mono"
"$GLYPHCAST_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$quote_face" /d "DejaVu Sans Mono" /f >/dev/null 2>&1
greek=Ελληνικά
cp "$pictures/sunset.bmp" "$pictures/$greek.bmp"
rm -f "$pictures/$greek.html"
source_page_with 'C:\users\Public\Pictures\'
# xdotool lends each character the keyboard lacks a key of its own, which Wine needs time to see.
xdotool type --delay 300 "$greek"
xdotool type --delay 20 '.bmp'
shoot "$wizard" source-greek
key Return
# From the target edit to the character set, the blocks in place of "01"; then the face.
for _ in 1 2 3 4 5 6; do key Tab; done
xdotool type --delay 300 '█▓▒░'
key Tab
key o
shoot "$wizard" output-blocks
key Return
key space
key Return
wait_for_end Finish
# The browser has no face of that name and draws the page in its own: wider than the mosaic of digits.
browser_page "$pictures/$greek.html" "$out/blocks-page.png" 800
face=$(chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --user-data-dir="$work/browser" --dump-dom "file://$pictures/$greek.html" 2>/dev/null |
  grep -o '<font face="[^"]*"' | head -n 1)
if [ "$face" != "<font face=\"$quote_face\"" ]; then
  echo "screenshots: the browser reads the face in the page's head as ${face:-nothing}, not $quote_face" >&2
  exit 1
fi
echo "the browser reads the whole face back from the page's head: $quote_face"

# A picture too large to preview (16384 x 16384 pixels of 16-bit RGB, 1.6 GB to decode): its size
# shows, and the page says why there is no preview.
python3 bench/make_huge_png.py "$pictures/huge.png"
source_page_with 'C:\users\Public\Pictures\huge.png'
shoot "$wizard" source-huge
key alt+F4
wait_for_end Alt+F4
rm -f "$pictures/huge.png"

# The largest page: 5000 x 5000 cells, its size told beside the counts, then its progress while
# it is written. Escape stops it, which leaves no page behind, and Alt+F4 ends the program.
rm -f "$pictures/sunset.html"
source_page_with "$winpicture"
key Return
# From the target edit past its "..." to the aspect box (unticked), then the two counts, each
# selected on entry.
key Tab Tab
key space
key Tab
xdotool type --delay 20 5000
key Tab
xdotool type --delay 20 5000
shoot "$wizard" output-size
key Return
# Finish with "open" unticked (the box has the focus).
key space
key Return
# The page is written in about two seconds: the picture is taken early on (shoot waits 0.8 s).
sleep 0.2
shoot "$wizard" finish-progress
key Escape
sleep 1
[ -e "$pictures/sunset.html" ] && { echo "screenshots: the stopped page was left behind" >&2; exit 1; }
key alt+F4
wait_for_end Alt+F4
