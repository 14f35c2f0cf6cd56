#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   0. the set-up script's decisions (tests/scripts/install-deps-test.sh, with a stand-in apt-get);
#   1. native build under AddressSanitizer + UndefinedBehaviorSanitizer (engine, tool, their tests);
#   2. both Windows builds with MinGW-w64, i686 (the program we ship) and x86_64, so that neither
#      rots; the tests run under Wine inside a virtual display on the one this machine runs: the
#      32-bit build where 32-bit Wine is installed and the machine executes 32-bit programs, else
#      the 64-bit one under wine64 (scripts/wine-env.sh decides and says why; GLYPHCAST_WINE64=1
#      forces the 64-bit path);
#      the display-scaling suite runs once more at 144 and at 192 dpi, in a Wine prefix of its own;
#   3. a bounded libFuzzer run over the bitmap reader and the conversion.
#   4. the packages (scripts/package.sh), checked as their users meet them
#      (tests/packages/check-packages.sh: the setup installed and uninstalled under Wine, the zip,
#      the Debian package with lintian).
# After each build, `cmake --install` into a scratch prefix must put the programs, the manual page
# and (natively) the bash completion in their places.
# First it names the C++ files that do not follow .clang-format: a warning, never a failure.
# Ends with one summary line "N passed, N failed" counting test cases; a suite that left no report
# is named and counted as failed by its test cases. Exits non-zero if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
results=$root/build/results
rm -rf "$results"
mkdir -p "$results"
failed_steps=""
uncounted=0  # failures that no report counts
step() { echo; echo "=== $* (at ${SECONDS} s)"; }
# Configures and builds quietly; shows every compiler warning, and the log's end on failure.
build() {
  local dir=$1; shift
  local out="$results/build-$(basename "$dir").log"
  if cmake -S . -B "$dir" "$@" >"$out" 2>&1 && cmake --build "$dir" -j"$jobs" >>"$out" 2>&1; then
    grep -E 'warning:' "$out" | sort -u || true
    return 0
  fi
  tail -40 "$out"
  return 1
}
# A suite that wrote no report did not start or died on the way: it is named, and its test cases
# (as the program lists them) count as failed; when even the list cannot be had, it counts as one.
# Arguments: build directory, report directory, and the command that runs a test program (if any).
count_unreported() {
  local dir=$1 reports=$2 name program listed
  shift 2
  for name in $(cd "$dir" && ctest -N | sed -n 's/^ *Test *#[0-9]*: *//p'); do
    [ -f "$reports/$name.xml" ] && continue
    program=$(find "$dir/tests" -maxdepth 2 \( -name "$name" -o -name "$name.exe" \) -type f | head -n 1)
    listed=0
    if [ -n "$program" ]; then
      listed=$(cd "$(dirname "$program")" &&
        timeout 120 "$@" "./$(basename "$program")" --gtest_list_tests 2>/dev/null | grep -c '^  ')
    fi
    if [ "${listed:-0}" -gt 0 ]; then
      echo "$name: no report; its $listed test cases count as failed"
      uncounted=$((uncounted + listed))
    else
      echo "$name: no report, and its test cases could not be listed; it counts as one failure"
      uncounted=$((uncounted + 1))
    fi
  done
}

# Installs build $1 under a scratch prefix and checks that each file named after it is there.
check_install() {
  local dir=$1 prefix=$results/install-$(basename "$1") file missing=""
  shift
  rm -rf "$prefix"
  if ! cmake --install "$dir" --prefix "$prefix" >"$prefix.log" 2>&1; then
    tail -20 "$prefix.log"
    missing="(cmake --install failed)"
  fi
  for file in "$@"; do [ -f "$prefix/$file" ] || missing="$missing $file"; done
  if [ -n "$missing" ]; then
    echo "install of $(basename "$dir") lacks:$missing"
    failed_steps="$failed_steps install-$(basename "$dir")"
    uncounted=$((uncounted + 1))
  else
    echo "install of $(basename "$dir"): $*"
  fi
}

step "format check (.clang-format)"
sources=$(git ls-files '*.cpp' '*.h' 2>/dev/null) || sources=$(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
unformatted=$(for f in $sources; do clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || echo "  $f"; done)
if [ -n "$unformatted" ]; then
  echo "warning: these files do not follow .clang-format (clang-format -i FILE mends them):"
  echo "$unformatted"
else
  echo "every C++ file follows .clang-format"
fi

step "set-up script (scripts/install-deps.sh with a stand-in apt-get)"
bash tests/scripts/install-deps-test.sh "$results/scripts" || failed_steps="$failed_steps install-deps"
if [ ! -f "$results/scripts/install-deps.xml" ]; then
  echo "no report from the set-up script's checks: counts as one failure"
  uncounted=$((uncounted + 1))
fi

step "native build (ASan + UBSan)"
if build build/native -DGLYPHCAST_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  (cd build/native && GTEST_OUTPUT="xml:$results/native/" ctest --output-on-failure -j"$jobs") ||
    failed_steps="$failed_steps native-tests"
  count_unreported build/native "$results/native"
  check_install build/native bin/glyphcast-convert share/man/man1/glyphcast-convert.1 \
    share/bash-completion/completions/glyphcast-convert
else
  failed_steps="$failed_steps native-build"
  echo "native tests not built: they count as one failure"
  uncounted=$((uncounted + 1))
fi

built=""
for target in win32:i686 win64:x86_64; do
  arch=${target%%:*}
  step "Windows build (MinGW-w64 ${target#*:})"
  if build "build/$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-${target#*:}.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
    built="$built $arch"
    check_install "build/$arch" bin/glyphcast.exe bin/glyphcast-convert.exe share/man/man1/glyphcast-convert.1
  else
    failed_steps="$failed_steps $arch-build"
    echo "$arch not built: counts as one failure"
    uncounted=$((uncounted + 1))
  fi
done

step "Windows tests under Wine"
GLYPHCAST_WINE_PREFIX_NAME=wineprefix GLYPHCAST_WINE_UNMANAGED=1 source scripts/wine-env.sh
wine_ready=$?
# The dialogs' own font, as the pictures show it: without it a wider stand-in takes its place.
[ "$wine_ready" = 0 ] && glyphcast_add_wine_fonts
echo "Windows tests: $GLYPHCAST_WINE_CHOICE"
arch=$GLYPHCAST_WIN_ARCH
if [[ " $built " == *" $arch "* ]]; then
  mkdir -p "$results/$arch"
  if [ "$wine_ready" != 0 ]; then
    failed_steps="$failed_steps wine-prefix"
  elif ! report_dir=$(timeout 120 "$GLYPHCAST_WINE" winepath -w "$results/$arch/") || [ -z "$report_dir" ]; then
    echo "winepath could not name the report directory"
    failed_steps="$failed_steps wine-tests"
  else
    GTEST_OUTPUT="xml:$report_dir" xvfb-run -a -s "-screen 0 1024x768x24" \
      bash -c "wineserver -k 2>/dev/null; cd build/$arch && ctest --output-on-failure; rc=\$?; wineserver -k 2>/dev/null; exit \$rc" ||
      failed_steps="$failed_steps wine-tests"
  fi
  count_unreported "build/$arch" "$results/$arch" "$GLYPHCAST_WINE"
fi

# The display-scaling suite at other screen resolutions: the LogPixels setting of a prefix of its
# own, set before each run (the rest of the suite is written for 96 dpi and runs above). The tests
# are told the resolution asked for, so that a setting that did not take fails the run.
main_prefix=$WINEPREFIX
program=build/$arch/tests/ui/ui_tests.exe
if [[ " $built " == *" $arch "* ]] && [ "$wine_ready" = 0 ] && [ -f "$program" ]; then
  step "Windows scaling tests at 144 and 192 dpi"
  export WINEPREFIX=$root/build/wineprefix-dpi-$arch
  if ! GLYPHCAST_WINE_UNMANAGED=1 glyphcast_make_prefix; then
    failed_steps="$failed_steps dpi-prefix"
  else
    glyphcast_add_wine_fonts
    for dpi in 144 192; do
      mkdir -p "$results/dpi$dpi"
      wineserver -k 2>/dev/null
      if ! timeout 120 "$GLYPHCAST_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
           >/dev/null 2>&1 || ! report=$(timeout 120 "$GLYPHCAST_WINE" winepath -w "$results/dpi$dpi/ui_tests.xml"); then
        echo "the prefix could not be set to $dpi dpi"
        failed_steps="$failed_steps dpi$dpi-tests"
        continue
      fi
      echo "at $dpi dpi:"
      GLYPHCAST_TEST_DPI=$dpi GTEST_OUTPUT="xml:$report" xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash -c "wineserver -k 2>/dev/null; cd $(dirname "$program") && timeout 300 \"\$0\" ./ui_tests.exe --gtest_filter='Scaling.*' | grep -E '^\[  (PASSED|FAILED) |Failure|^  '; rc=\${PIPESTATUS[0]}; wineserver -k 2>/dev/null; exit \$rc" \
        "$GLYPHCAST_WINE" || failed_steps="$failed_steps dpi$dpi-tests"
      if [ ! -f "$results/dpi$dpi/ui_tests.xml" ]; then
        echo "no report at $dpi dpi: counts as one failure"
        uncounted=$((uncounted + 1))
      fi
    done
    wineserver -k 2>/dev/null
  fi
  export WINEPREFIX=$main_prefix
fi

fuzz_total=0
fuzz_bad=0
if [ -f fuzz/run.sh ]; then
  step "fuzzing (bounded)"
  fuzz_total=1
  # libFuzzer reports every new input; keep that in a log and show only its end.
  if FUZZ_BUILD_DIR="$root/build/fuzz" bash fuzz/run.sh "${FUZZ_SECONDS:-60}" >"$results/fuzz.log" 2>&1; then
    grep -E '^Done [0-9]+ runs' "$results/fuzz.log" || tail -3 "$results/fuzz.log"
  else
    tail -60 "$results/fuzz.log"
    failed_steps="$failed_steps fuzz"; fuzz_bad=1
  fi
fi

step "packages"
if bash scripts/package.sh >"$results/package.log" 2>&1; then
  tail -n 3 "$results/package.log"
  xvfb-run -a -s "-screen 0 1024x768x24" bash tests/packages/check-packages.sh "$results/packages" ||
    failed_steps="$failed_steps packages"
else
  tail -40 "$results/package.log"
  failed_steps="$failed_steps package"
  echo "the packages were not made: counts as one failure"
  uncounted=$((uncounted + 1))
fi

# Count test cases from GoogleTest's reports (<testsuites tests="N" failures="F" ... errors="E">).
read -r total bad < <(cat "$results"/*/*.xml 2>/dev/null | grep -o '<testsuites [^>]*>' |
  sed -E 's/.* tests="([0-9]+)" failures="([0-9]+)".* errors="([0-9]+)".*/\1 \2 \3/' |
  awk '{t+=$1; f+=$2+$3} END {print t+0, f+0}')
total=$((total + fuzz_total + uncounted)); bad=$((bad + fuzz_bad + uncounted))
# A step that failed with every report clean (a program that failed after writing it) still fails.
if [ -n "$failed_steps" ] && [ "$bad" = 0 ]; then bad=1; total=$((total + 1)); fi

echo
echo "Took ${SECONDS} s. Windows tests ran on the $GLYPHCAST_WINE_CHOICE."
[ -n "$failed_steps" ] && echo "failed steps:$failed_steps"
echo "$((total - bad)) passed, $bad failed"
[ -z "$failed_steps" ] && [ "$bad" = 0 ] && [ "$total" -gt 1 ]
