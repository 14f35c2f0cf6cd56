#!/usr/bin/env bash
# Takes a picture of each page of the Windows setup and of the uninstaller, as a Windows user
# sees them under Wine, into docs/screenshots/setup-*.png: it runs the setup this machine's Wine
# runs (see packaging/wine-setup.sh) in a fresh prefix on a virtual display of its own, walks
# through the pages with the keyboard, and uninstalls again. Run scripts/package.sh first (and,
# where the tests take the 64-bit path, build build/win64 as scripts/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/docs/screenshots

bash scripts/install-deps.sh
# A virtual display of its own, where Wine draws the window frames itself.
if [ -z "${GLYPHCAST_SETUP_SCREENSHOTS:-}" ]; then
  GLYPHCAST_SETUP_SCREENSHOTS=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
export WINEPREFIX=$root/build/wineprefix-setup-screenshots
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
rm -rf "$WINEPREFIX"
GLYPHCAST_WINE_UNMANAGED=1 source scripts/wine-env.sh || exit 1
source packaging/wine-setup.sh

work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
setup=$(glyphcast_wine_setup "$work")
glyphcast_add_wine_fonts

# The window with exactly this title, waiting up to about a minute for it.
find_window() {
  local id=""
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "setup-screenshots: no window titled '$1' appeared" >&2; exit 1; }
  echo "$id"
}
# Saves the window as docs/screenshots/NAME.png once it has painted.
shoot() {
  sleep 1
  import -window "$1" "$out/$2.png"
  echo "saved docs/screenshots/$2.png"
}
# Real key presses into the window that has the focus.
key() {
  xdotool key --clearmodifiers "$@"
  sleep 0.5
}

"$GLYPHCAST_WINE" "$setup" >"$work/setup.log" 2>&1 &
window=$(find_window "Glyphcast Setup")
xdotool windowfocus --sync "$window" 2>/dev/null || true
shoot "$window" setup-welcome
key Return
shoot "$window" setup-mode
key Return
shoot "$window" setup-folder
key Return
# The files are copied, and the finish page follows by itself.
sleep 3
shoot "$window" setup-finish
# Finish without starting the wizard: Space unticks the box, which has the focus.
key space
key Return
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Glyphcast Setup$' >/dev/null 2>&1 || break; sleep 0.1; done
wineserver -w

"$GLYPHCAST_WINE" 'C:\Program Files\Glyphcast\uninstall.exe' >"$work/uninstall.log" 2>&1 &
# (NSIS ends the uninstaller's title with a space.)
window=$(find_window "Glyphcast Uninstall ?")
xdotool windowfocus --sync "$window" 2>/dev/null || true
shoot "$window" setup-uninstall
key Return
# The uninstaller's last page: Close.
sleep 3
key Return
wineserver -w
