#!/usr/bin/env bash
# Builds what we ship into dist/, each from a Release build of its own under build/:
#   glyphcast-VERSION-setup.exe         the Windows setup (NSIS): the 32-bit wizard and converter
#   glyphcast-VERSION-win32.zip         the same two programs and a README, to copy rather than install
#   glyphcast-convert_VERSION_ARCH.deb  the Linux converter with its man page, for Debian
# The version, name, publisher and copyright line come from the version header CMake generates
# from project(); CHANGELOG.md must have a section for that version, which becomes the Debian
# changelog. Prints the three files with their sizes. scripts/test.sh then checks them
# (tests/packages/check-packages.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
dist=$root/dist
work=$root/build/package
win32=$root/build/package-win32
linux=$root/build/package-linux
rm -rf "$work"
mkdir -p "$work" "$dist"

# Runs a step quietly into its log; on failure shows the log's end and stops.
quietly() {
  local log=$work/$1.log
  shift
  if ! "$@" >"$log" 2>&1; then
    echo "package: failed: $*" >&2
    tail -40 "$log" >&2
    exit 1
  fi
}

echo "Building the 32-bit Windows programs and the Linux converter (Release)"
quietly configure-win32 cmake -S . -B "$win32" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_TESTS=OFF
quietly build-win32 cmake --build "$win32" -j"$jobs" --target glyphcast glyphcast-convert
# The Linux converter with Debian's hardening flags, as Debian's own packages are built.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
quietly configure-linux cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_TESTS=OFF \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  "-DCMAKE_C_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
quietly build-linux cmake --build "$linux" -j"$jobs" --target glyphcast-convert

# The facts project() and the version header hold.
source packaging/facts.sh
glyphcast_facts "$linux/generated/Version.h"
arch=$(dpkg --print-architecture)
# The Debian package's maintainer: the publisher, at the project's address.
maintainer="$publisher <glyphcast@example.org>"
if ! grep -q "^## $version (" CHANGELOG.md; then
  echo "package: CHANGELOG.md has no section for version $version (\"## $version (YYYY-MM-DD)\")" >&2
  exit 1
fi
# The years of publication, from the first version's to the latest's.
years=$(sed -n 's/^## [^ ]* (\([0-9]\{4\}\)-.*/\1/p' CHANGELOG.md | sort -u)
[ "$(head -n 1 <<<"$years")" = "$(tail -n 1 <<<"$years")" ] && years=$(head -n 1 <<<"$years") ||
  years="$(head -n 1 <<<"$years")-$(tail -n 1 <<<"$years")"
base=glyphcast-$version
setup=$dist/$base-setup.exe
zip=$dist/$base-win32.zip
deb=$dist/glyphcast-convert_${version}_$arch.deb
rm -f "$setup" "$zip" "$deb"

# Replaces @NAME@, @VERSION@, @PUBLISHER@, @COPYRIGHT@ and @YEARS@ in a template.
fill() {
  sed -e "s|@NAME@|$name|g" -e "s|@VERSION@|$version|g" -e "s|@PUBLISHER@|$publisher|g" \
    -e "s|@COPYRIGHT@|$copyright|g" -e "s|@YEARS@|$years|g" "$1"
}

# The Windows programs as `cmake --install` lays them out, stripped.
quietly install-win32 cmake --install "$win32" --prefix "$work/win32" --strip
for program in glyphcast.exe glyphcast-convert.exe; do
  [ -f "$work/win32/bin/$program" ] || { echo "package: the Windows build installed no bin/$program" >&2; exit 1; }
done

echo "Making $(basename "$setup")"
bash packaging/make-setup.sh x86-unicode "$work/win32/bin" "$win32/generated/Version.h" "$setup"

echo "Making $(basename "$zip")"
mkdir -p "$work/zip/$base"
cp "$work/win32/bin/glyphcast.exe" "$work/win32/bin/glyphcast-convert.exe" "$work/zip/$base/"
# Notepad before Windows 10 shows only CR LF line ends.
fill packaging/README.txt.in | sed 's/$/\r/' >"$work/zip/$base/README.txt"
(cd "$work/zip" && zip -q -X -9 -r "$zip" "$base")

echo "Making $(basename "$deb")"
package=$work/deb
doc=$package/usr/share/doc/glyphcast-convert
(
  umask 022
  DESTDIR=$package quietly install-linux cmake --install "$linux" --prefix /usr --strip
  # What Debian's own packaging does besides: strip the compiler's notes, compress the man page.
  strip --remove-section=.comment --remove-section=.note --strip-unneeded "$package/usr/bin/glyphcast-convert"
  gzip -9n "$package/usr/share/man/man1/glyphcast-convert.1"
  mkdir -p "$doc" "$package/DEBIAN"
  fill packaging/debian/copyright.in >"$doc/copyright"
  bash packaging/debian/changelog.sh CHANGELOG.md "$maintainer" | gzip -9n >"$doc/changelog.gz"
)

# The libraries the converter links, as Debian packages: dpkg-shlibdeps reads a source package's
# control file, so it runs in a folder that has a minimal one.
mkdir -p "$work/shlibdeps/debian"
printf 'Source: glyphcast\n\nPackage: glyphcast-convert\nArchitecture: any\n' >"$work/shlibdeps/debian/control"
depends=$(cd "$work/shlibdeps" && dpkg-shlibdeps -O "$package/usr/bin/glyphcast-convert" 2>"$work/shlibdeps.log" |
  sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package: dpkg-shlibdeps found no dependencies" >&2; cat "$work/shlibdeps.log" >&2; exit 1; }
installed_size=$(du -k -s --apparent-size "$package/usr" | cut -f1)
fill packaging/debian/control.in | sed -e "s|@ARCH@|$arch|" -e "s|@MAINTAINER@|$maintainer|" -e "s|@DEPENDS@|$depends|" \
  -e "s|@INSTALLED_SIZE@|$installed_size|" >"$package/DEBIAN/control"
(cd "$package" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$package/DEBIAN/md5sums"
chmod 644 "$package/DEBIAN/control" "$package/DEBIAN/md5sums"
quietly dpkg-deb dpkg-deb --root-owner-group -Zxz --build "$package" "$deb"

echo
for file in "$setup" "$zip" "$deb"; do
  printf '%9s bytes  %s\n' "$(stat -c %s "$file")" "${file#$root/}"
done
