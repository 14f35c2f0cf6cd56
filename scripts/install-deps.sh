#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need: the picture libraries
# the native converter decodes with (libpng, libjpeg-turbo, giflib, libtiff, libwebp, libheif with
# its HEVC and AV1 codecs, libjxl) and Little CMS for colour profiles, the i686 and x86_64
# MinGW-w64 compilers, wine64 and, where it can be had, 32-bit Wine (wine32:i386); and what
# scripts/package.sh needs to make and check the packages (NSIS, 7-Zip to look into the setup, zip,
# dpkg-dev, lintian, man).
# In two steps, so that one package a machine cannot have does not keep it from the others:
#   1. what the build and the tests cannot do without; a failed install is tried once more after a
#      fresh `apt-get update` (one package at a time where the whole set will not go), and a package
#      still missing then stops the script, named;
#   2. 32-bit Wine, which may fail (a machine whose i386 packages lag its amd64 ones cannot have
#      it): one line says so and why, and the tests take the 64-bit build under wine64
#      (scripts/wine-env.sh).
# A package index that fails to refresh is a warning with apt's reason; the install goes on with
# what the other indexes give.
# Idempotent: does nothing (and does not touch apt) when everything is present.
# Usage: install-deps.sh [all|native|screenshots]   (screenshots adds the browser)
# Root runs apt itself, anyone else through sudo; GLYPHCAST_SUDO, when set, is used instead of sudo
# (empty for none: the tests' stand-in apt-get needs no root).
set -uo pipefail

want_native="cmake g++ make pkg-config googletest clang-format groff-base libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev libwebp-dev libheif-dev libjxl-dev liblcms2-dev"
want_package="nsis 7zip zip unzip dpkg-dev fakeroot lintian man-db file"
want_cross="mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth imagemagick x11-utils xdotool fonts-wine clang libclang-rt-14-dev"
want_wine32=wine32:i386
case "${1:-all}" in
  native) need=$want_native want_wine32="" ;;
  # The browser only shows a written page for the screenshots; the tests do not need it.
  screenshots) need="$want_native $want_cross $want_package chromium" ;;
  # bench/measure-pages.sh: the browser that renders the pages, scikit-image with its photos, and
  # the monospaced faces a page may fall back to.
  measure) need="$want_native chromium python3-skimage fonts-dejavu-core fonts-liberation2 fonts-freefont-ttf" want_wine32="" ;;
  *) need="$want_native $want_cross $want_package" ;;
esac

# Those of the packages named that are not installed, each after a space.
missing_of() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' || printf ' %s' "$package"
  done
}
missing=$(missing_of $need)
missing32=$(missing_of $want_wine32)
[ -z "$missing$missing32" ] && exit 0

sudo=""
[ "$(id -u)" = 0 ] || sudo=${GLYPHCAST_SUDO-sudo}
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# What apt said went wrong, in one line, from its output in $log: its first error or warning,
# and the first unmet dependency it listed.
apt_reason() {
  local said unmet
  said=$(grep -m 1 -E '^[EW]: ' "$log" | sed -E 's/^[EW]: +//; s/\.$//')
  unmet=$(grep -m 1 -E '^ +[^ ]+ : (Pre)?Depends: ' "$log" | sed -E 's/^ +//; s/ +/ /g')
  [ -n "$said" ] || said=$(grep -v '^[[:space:]]*$' "$log" | tail -n 1)
  echo "apt: ${said:-said nothing}${unmet:+; $unmet}"
}
# Refreshes the package indexes; one that fails is a warning, not an end.
refresh() {
  $sudo apt-get update -qq >"$log" 2>&1 ||
    echo "install-deps: warning: not every package index could be refreshed, going on with the others ($(apt_reason))" >&2
}
install() { $sudo apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; }

echo "Installing:$missing$missing32" >&2
# 32-bit Wine needs the i386 architecture, added before the one refresh both steps use.
no_i386=""
if [ -n "$missing32" ] && ! dpkg --print-foreign-architectures | grep -qx i386 &&
   ! $sudo dpkg --add-architecture i386 >"$log" 2>&1; then
  no_i386="dpkg could not add the i386 architecture: $(head -n 1 "$log")"
fi
refresh

if [ -n "$missing" ] && ! install $missing; then
  echo "install-deps: the install failed ($(apt_reason)); refreshing the package indexes and trying once more" >&2
  refresh
  # apt installs nothing of a set it cannot install whole: then one at a time, so that the others
  # are installed and each that will not is named with apt's reason.
  if ! install $(missing_of $missing); then
    for package in $(missing_of $missing); do
      install "$package" || echo "install-deps: $package will not install ($(apt_reason))" >&2
    done
  fi
  missing=$(missing_of $missing)
  if [ -n "$missing" ]; then
    echo "install-deps: could not install what the build and the tests need:$missing" >&2
    exit 1
  fi
fi

if [ -n "$missing32" ]; then
  why=$no_i386
  if [ -z "$why" ] && { ! install $missing32 || [ -n "$(missing_of $missing32)" ]; }; then
    why=$(apt_reason)
  fi
  [ -z "$why" ] ||
    echo "install-deps: 32-bit Wine ($want_wine32) could not be installed ($why); the tests take the 64-bit build under wine64" >&2
fi
exit 0
