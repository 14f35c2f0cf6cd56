# Sourced by the scripts: a Wine prefix of the project's own, quiet, and without the
# Mono/Gecko installers that would otherwise prompt on first use.
# GLYPHCAST_WINE_PREFIX_NAME picks the prefix under build/ (tests and the program keep separate
# ones); GLYPHCAST_WINE_UNMANAGED=1 makes a prefix for a virtual display without window manager.
export WINEPREFIX="${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/${GLYPHCAST_WINE_PREFIX_NAME:-wineprefix}}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  # A virtual display has no window manager: with unmanaged windows Wine does not wait for one
  # each time a window is hidden or destroyed.
  if [ "${GLYPHCAST_WINE_UNMANAGED:-0}" = 1 ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  fi
  wineserver -w 2>/dev/null || true
fi
