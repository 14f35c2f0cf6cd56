#!/usr/bin/env bash
# Makes the Windows setup from packaging/glyphcast.nsi with NSIS.
# Usage: make-setup.sh TARGET PROGRAMS HEADER OUTFILE [VERSION]
#   TARGET    NSIS's target: x86-unicode for the 32-bit setup we ship, amd64-unicode for a 64-bit
#             one (the tests', where they take the 64-bit path: scripts/wine-env.sh)
#   PROGRAMS  the folder holding glyphcast.exe and glyphcast-convert.exe for that target
#   HEADER    the build's generated Version.h, for the name, version, publisher and copyright
#   OUTFILE   the setup program to write
#   VERSION   another version to give the setup than the header's (the tests' upgrade)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=$1 programs=$(realpath "$2") header=$3 outfile=$(realpath -m "$4")
source "$root/packaging/facts.sh"
glyphcast_facts "$header"
version=${5:-$version}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The setup's version record wants four numbers.
IFS=. read -r major minor patch tweak _ <<<"$version.0.0.0"
# The welcome and finish pages' picture: the wizard's own panel, at the size those pages show.
convert "$root/res/wizard.bmp" -resize '164x314!' -type TrueColor "BMP3:$work/panel.bmp"
if ! makensis -V2 -NOCD -INPUTCHARSET UTF8 "-DTARGET=$target" \
  "-DNAME=$name" "-DVERSION=$version" "-DVERSION4=$major.$minor.$patch.$tweak" \
  "-DPUBLISHER=$publisher" "-DCOPYRIGHT=$copyright" "-DPROGRAMS=$programs" \
  "-DICON=$root/res/glyphcast.ico" "-DPANEL=$work/panel.bmp" "-DOUTFILE=$outfile" \
  "$root/packaging/glyphcast.nsi" >"$work/makensis.log" 2>&1; then
  cat "$work/makensis.log" >&2
  exit 1
fi
# NSIS's warnings (none expected) are shown, not hidden.
grep -i 'warning' "$work/makensis.log" >&2 || true
