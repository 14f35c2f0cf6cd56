#!/usr/bin/env bash
# Installs what is missing, builds the Windows program and starts the wizard under Wine
# on this machine's display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/app -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_TESTS=OFF >/dev/null
cmake --build build/app -j"$(nproc 2>/dev/null || echo 2)" --target glyphcast >/dev/null
exe=build/app/app/glyphcast.exe
if [ -z "${DISPLAY:-}" ]; then
  echo "Built $exe, but there is no display to show the wizard on (DISPLAY is not set)."
  echo "Run this from a desktop session, or take pictures of every page with: bash scripts/screenshots.sh"
  exit 1
fi
GLYPHCAST_WINE_PREFIX_NAME=wineprefix-app source scripts/wine-env.sh
exec wine "$exe"
