# Sourced by the scripts: picks the Windows build this machine runs and the Wine loader for it,
# then a Wine prefix of the project's own for that build, quiet, and without the Mono/Gecko
# installers that would otherwise prompt on first use.
#
# Which build: the 32-bit one (the program we ship) under 32-bit Wine where this machine executes
# 32-bit programs, otherwise the 64-bit one under wine64. Some machines' kernels refuse 32-bit
# programs outright ("Exec format error"), so the 32-bit loader is started once (`--version`,
# bounded by a timeout) to find out.
#   GLYPHCAST_WINE64=1          forces the 64-bit path on any machine (so both paths can be tried)
#   GLYPHCAST_WINE_PREFIX_NAME  the prefix under build/ (default wineprefix), to which -win32 or
#                               -win64 is added: each path keeps its own prefix, and the tests and
#                               the program keep separate ones
#   GLYPHCAST_WINE_UNMANAGED=1  makes a prefix for a virtual display without window manager
#   WINEPREFIX                  when set beforehand, the prefix to use instead
#   GLYPHCAST_WINE32_LOADER     where the 32-bit loader is looked for (default /usr/lib/wine/wine);
#                               a path that does not exist tries a machine without 32-bit Wine
# Sets and exports:
#   GLYPHCAST_WIN_ARCH          win32 or win64, also the build's directory name under build/
#   GLYPHCAST_TOOLCHAIN         the matching CMake toolchain file
#   GLYPHCAST_WINE              the loader; Wine's own programs run through it as well
#                               ("$GLYPHCAST_WINE" winepath ...): Debian's `wine`, `wineboot` and
#                               `winepath` pick the 32-bit loader whenever it is installed
#   GLYPHCAST_WINE_CHOICE       one line saying which path this is and why
#   GLYPHCAST_WINE_REASON       the why alone ("32-bit Wine is not installed"), for the lines
#                               that tell why a 32-bit check is skipped
# Returns non-zero, having said why on stderr, when the loader is missing or the prefix cannot
# be made.

glyphcast_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Decides the path; only the 32-bit loader's own answer counts as "runs 32-bit programs".
glyphcast_choose_wine() {
  local answer status
  GLYPHCAST_WIN_ARCH=win64
  if [ "${GLYPHCAST_WINE64:-0}" = 1 ]; then
    GLYPHCAST_WINE_REASON="forced by GLYPHCAST_WINE64=1"
  elif [ ! -x "$glyphcast_wine32" ]; then
    GLYPHCAST_WINE_REASON="32-bit Wine is not installed"
  else
    # Through bash's exec: it reports a refused binary as such, where timeout's own exec would
    # hand the file to /bin/sh as a script.
    answer=$(timeout 20 bash -c 'exec "$0" --version' "$glyphcast_wine32" 2>&1) && status=0 || status=$?
    if [ "$status" = 0 ]; then
      GLYPHCAST_WIN_ARCH=win32
      GLYPHCAST_WINE_REASON="this machine executes 32-bit programs"
    elif [ "$status" = 124 ]; then
      GLYPHCAST_WINE_REASON="the 32-bit Wine loader did not answer within 20 s"
    elif [[ $answer == *"Exec format error"* ]]; then
      GLYPHCAST_WINE_REASON="this machine does not execute 32-bit programs: Exec format error"
    else
      GLYPHCAST_WINE_REASON="the 32-bit Wine loader failed with status $status: ${answer%%$'\n'*}"
    fi
  fi
  if [ "$GLYPHCAST_WIN_ARCH" = win32 ]; then
    GLYPHCAST_WINE_CHOICE="32-bit build under 32-bit Wine ($GLYPHCAST_WINE_REASON)"
  else
    GLYPHCAST_WINE_CHOICE="64-bit build under wine64 ($GLYPHCAST_WINE_REASON)"
  fi
}

# Makes the prefix when it is not there yet; any failure is reported, never passed over.
glyphcast_make_prefix() {
  local log
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  log=$(mktemp)
  if ! WINEARCH=$GLYPHCAST_WIN_ARCH timeout 300 "$GLYPHCAST_WINE" wineboot -i >"$log" 2>&1; then
    echo "wine-env: could not make the Wine prefix $WINEPREFIX with $GLYPHCAST_WINE:" >&2
    tail -n 20 "$log" >&2
    rm -f "$log"
    return 1
  fi
  # A virtual display has no window manager: with unmanaged windows Wine does not wait for one
  # each time a window is hidden or destroyed.
  if [ "${GLYPHCAST_WINE_UNMANAGED:-0}" = 1 ] &&
     ! timeout 120 "$GLYPHCAST_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$log" 2>&1; then
    echo "wine-env: could not set unmanaged windows in $WINEPREFIX:" >&2
    tail -n 20 "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
  # Wine writes the registry out when its last process has ended.
  timeout 300 wineserver -w 2>/dev/null || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: $GLYPHCAST_WINE made no registry in $WINEPREFIX" >&2
    return 1
  fi
}

# Wine's own fonts (Debian package fonts-wine) for pictures of the program: the caption buttons'
# symbols, which Wine draws itself without a window manager, and the dialogs' "MS Sans Serif".
# Its Tahoma is left out: its bold renders as regular at title sizes, and the system's sans serif
# stands in well for the message font.
glyphcast_add_wine_fonts() {
  local font
  [ -d /usr/share/wine/fonts ] || return 0
  for font in /usr/share/wine/fonts/*; do
    case "$(basename "$font")" in tahoma*) continue ;; esac
    cp -n "$font" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  done
}

glyphcast_wine32=${GLYPHCAST_WINE32_LOADER:-/usr/lib/wine/wine}
glyphcast_choose_wine
if [ "$GLYPHCAST_WIN_ARCH" = win32 ]; then
  GLYPHCAST_WINE=$glyphcast_wine32
  GLYPHCAST_TOOLCHAIN=$glyphcast_root/cmake/toolchain-mingw-i686.cmake
else
  GLYPHCAST_WINE=/usr/lib/wine/wine64
  GLYPHCAST_TOOLCHAIN=$glyphcast_root/cmake/toolchain-mingw-x86_64.cmake
fi
export GLYPHCAST_WIN_ARCH GLYPHCAST_TOOLCHAIN GLYPHCAST_WINE GLYPHCAST_WINE_CHOICE GLYPHCAST_WINE_REASON
# Processes Wine starts for this prefix use the same loader.
export WINELOADER=$GLYPHCAST_WINE
export WINEPREFIX="${WINEPREFIX:-$glyphcast_root/build/${GLYPHCAST_WINE_PREFIX_NAME:-wineprefix}-$GLYPHCAST_WIN_ARCH}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"

if [ ! -x "$GLYPHCAST_WINE" ]; then
  echo "wine-env: $GLYPHCAST_WINE is missing (bash scripts/install-deps.sh)" >&2
  false
else
  glyphcast_make_prefix
fi
