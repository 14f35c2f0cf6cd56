#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need: the picture libraries
# the native converter decodes with (libpng, libjpeg-turbo, giflib, libtiff, libwebp, libheif with
# its HEVC and AV1 codecs, libjxl) and Little CMS for colour profiles, the i686 and x86_64
# MinGW-w64 compilers, and both 32-bit Wine (wine32:i386) and wine64, since some machines of ours
# cannot execute 32-bit programs and run the tests on the 64-bit build instead; and what
# scripts/package.sh needs to make and check the packages (NSIS, 7-Zip to look into the setup, zip,
# dpkg-dev, lintian, man).
# Idempotent: does nothing (and does not touch apt) when everything is present.
set -euo pipefail

want_native="cmake g++ make pkg-config googletest clang-format groff-base libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev libwebp-dev libheif-dev libjxl-dev liblcms2-dev"
want_package="nsis 7zip zip unzip dpkg-dev fakeroot lintian man-db file"
want_cross="mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386 xvfb xauth imagemagick x11-utils xdotool fonts-wine clang libclang-rt-14-dev"
case "${1:-all}" in
  native) want="$want_native" ;;
  # The browser only shows a written page for the screenshots; the tests do not need it.
  screenshots) want="$want_native $want_cross $want_package chromium" ;;
  *) want="$want_native $want_cross $want_package" ;;
esac

missing=""
for p in $want; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
if echo "$missing" | grep -q ':i386' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "Installing:$missing" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
