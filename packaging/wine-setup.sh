# Sourced after scripts/wine-env.sh: the setup this machine's Wine runs.
#   glyphcast_wine_setup DIR [VERSION]
# prints the path of a setup: the 32-bit one scripts/package.sh put in dist/ where the tests run
# the 32-bit build; elsewhere (no 32-bit Wine, or no 32-bit programs at all: scripts/wine-env.sh)
# a 64-bit one, made in DIR from the same NSIS script and the
# x86_64 programs of build/win64 (scripts/test.sh builds them). Given VERSION, a setup made in DIR
# that calls itself that version (for an upgrade). Returns non-zero, having said why, on failure.
glyphcast_wine_setup() {
  local dir=$1 version_given=${2:-} root target programs header setup name version publisher copyright
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  header=$root/build/package-linux/generated/Version.h
  source "$root/packaging/facts.sh"
  glyphcast_facts "$header" || return 1
  if [ "$GLYPHCAST_WIN_ARCH" = win32 ]; then
    if [ -z "$version_given" ]; then
      echo "$root/dist/glyphcast-$version-setup.exe"
      return 0
    fi
    target=x86-unicode
    programs=$root/build/package/win32/bin
  else
    target=amd64-unicode
    programs=$dir/programs64
    mkdir -p "$programs"
    cp "$root/build/win64/app/glyphcast.exe" "$root/build/win64/cli/glyphcast-convert.exe" "$programs/" &&
      x86_64-w64-mingw32-strip "$programs"/*.exe ||
      { echo "no x86_64 programs in build/win64 (scripts/test.sh builds them)" >&2; return 1; }
  fi
  setup=$dir/glyphcast-${version_given:-$version}-$target-setup.exe
  bash "$root/packaging/make-setup.sh" "$target" "$programs" "$header" "$setup" $version_given || return 1
  echo "$setup"
}
