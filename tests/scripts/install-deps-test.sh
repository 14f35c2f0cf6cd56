#!/usr/bin/env bash
# Checks the decisions of scripts/install-deps.sh against stand-ins for apt-get, dpkg-query and dpkg
# put first on PATH, each case on a machine of its own that has nothing installed: a stand-in
# apt-get that records its calls, installs what it is given into a list that the stand-in
# dpkg-query reads, and fails as the case asks (an index that fails to refresh, a package that will
# not install until the indexes are refreshed again, or never).
# Writes REPORT_DIR/install-deps.xml (GoogleTest's report form) for scripts/test.sh's count.
# Usage: install-deps-test.sh [REPORT_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
report_dir=${1:-$root/build/results/scripts}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source tests/checks.sh

# The stand-ins, in $work/bin. Each case's machine is the folder $FAKE: calls (what was run),
# installed (one package a line) and archs (dpkg's foreign architectures).
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
# FAKE_UPDATE_FAILS=1: an index fails to refresh. FAKE_BROKEN: packages that never install;
# FAKE_BROKEN_ONCE: packages that install only after the second refresh.
echo "apt-get $*" >>"$FAKE/calls"
case "$1" in
  update)
    if [ "${FAKE_UPDATE_FAILS:-0}" = 1 ]; then
      echo "W: Failed to fetch http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
      exit 100
    fi
    ;;
  install)
    refreshed=$(grep -c '^apt-get update' "$FAKE/calls")
    packages=()
    for argument in "${@:2}"; do
      [[ $argument == -* ]] && continue
      if [[ " ${FAKE_BROKEN:-} " == *" $argument "* ]] ||
         { [[ " ${FAKE_BROKEN_ONCE:-} " == *" $argument "* ]] && [ "$refreshed" -lt 2 ]; }; then
        echo "The following packages have unmet dependencies:"
        echo " $argument : Depends: lib-of-$argument (= 2.0) but 2.0+b1 is to be installed"
        echo "E: Unable to correct problems, you have held broken packages." >&2
        exit 100
      fi
      packages+=("$argument")
    done
    [ "${#packages[@]}" = 0 ] || printf '%s\n' "${packages[@]}" >>"$FAKE/installed"
    ;;
esac
STANDIN
cat >"$work/bin/dpkg-query" <<'STANDIN'
#!/usr/bin/env bash
# dpkg-query -W -f=FORMAT PACKAGE
package=${!#}
grep -qxF "$package" "$FAKE/installed" && echo "install ok installed" && exit 0
echo "dpkg-query: no packages found matching $package" >&2
exit 1
STANDIN
cat >"$work/bin/dpkg" <<'STANDIN'
#!/usr/bin/env bash
case "$1" in
  --print-foreign-architectures) cat "$FAKE/archs" ;;
  --add-architecture) echo "dpkg $*" >>"$FAKE/calls"; echo "$2" >>"$FAKE/archs" ;;
  *) exit 2 ;;
esac
STANDIN
chmod +x "$work/bin"/*

# machine NAME [VARIABLE=VALUE...]: runs install-deps.sh on the machine NAME (made empty when
# new) with the stand-ins and the variables given; its status goes to $status, what it printed to
# $out, and the calls it made to $calls. Shows what it said beyond "Installing: ...".
machine() {
  local name=$1
  shift
  export FAKE=$work/$name
  mkdir -p "$FAKE"
  touch "$FAKE/calls" "$FAKE/installed" "$FAKE/archs"
  : >"$FAKE/calls"
  out=$(env "$@" PATH="$work/bin:$PATH" GLYPHCAST_SUDO="" bash scripts/install-deps.sh 2>&1)
  status=$?
  calls=$(cat "$FAKE/calls")
  said
}
has() { grep -qxF "$1" "$FAKE/installed"; }
# The lines it printed but the first, "Installing: ...".
said() { tail -n +2 <<<"$out"; }

everything_present() {
  machine present
  [ "$status" = 0 ] && has cmake && has wine32:i386 || fail "the first install did not go through"
  grep -qx 'dpkg --add-architecture i386' <<<"$calls" || fail "i386 was not added for 32-bit Wine"
  machine present
  [ "$status" = 0 ] || fail "status $status"
  [ -z "$out" ] || fail "said something"
  [ -z "$calls" ] || fail "touched apt or dpkg: $calls"
}

# The machine of issue 23: an i386 index fails to refresh, and 32-bit Wine cannot be installed.
index_and_wine32_fail() {
  machine lagging FAKE_UPDATE_FAILS=1 FAKE_BROKEN=wine32:i386
  [ "$status" = 0 ] || fail "status $status"
  has cmake && has wine64 && has nsis || fail "what the build and the tests need was not installed"
  ! has wine32:i386 || fail "wine32 installed"
  [ "$(said | wc -l)" = 2 ] || fail "not one line for each"
  said | grep -q '^install-deps: warning: .*(apt: Failed to fetch .*File has unexpected size (374820 != 376004)' ||
    fail "no warning with apt's reason for the index"
  said | grep -q '^install-deps: 32-bit Wine (wine32:i386) could not be installed (apt: Unable to correct problems, you have held broken packages; wine32:i386 : Depends: lib-of-wine32:i386 .*); the tests take the 64-bit build under wine64$' ||
    fail "no line saying why 32-bit Wine is missing"
}

install_tried_again() {
  machine transient FAKE_BROKEN_ONCE=googletest
  [ "$status" = 0 ] || fail "status $status"
  has googletest && has cmake || fail "not installed"
  [ "$(grep -o '^apt-get [a-z]*' <<<"$calls" | awk '{print $2}' | tr '\n' ' ')" = "update install update install install " ] ||
    fail "not install, fresh update, install again (then 32-bit Wine): $calls"
  said | grep -q 'install-deps: the install failed (apt: Unable to correct problems.*); refreshing the package indexes and trying once more' ||
    fail "the retry not told"
}

package_never_installs() {
  machine broken FAKE_BROKEN=googletest
  [ "$status" != 0 ] || fail "status 0 with googletest missing"
  [ "$(tail -n 1 <<<"$out")" = "install-deps: could not install what the build and the tests need: googletest" ] ||
    fail "the last line does not name exactly googletest"
  grep -q '^install-deps: googletest will not install (apt: Unable to correct problems.*googletest : Depends' <<<"$out" ||
    fail "no reason given for googletest"
  has cmake && has mingw-w64 || fail "the packages that install were left out with it"
}

echo "scripts/install-deps.sh with a stand-in apt-get"
check "install-deps: installs on an empty machine, then says nothing and leaves apt alone" everything_present
check "install-deps: a failing index and a 32-bit Wine that will not install are one line each, the rest installs" index_and_wine32_fail
check "install-deps: a failed install is tried once more after a fresh apt-get update" install_tried_again
check "install-deps: a package that never installs stops it, named, with the others installed" package_never_installs
checks_report "$report_dir/install-deps.xml" install-deps
