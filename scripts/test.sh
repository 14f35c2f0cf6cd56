#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. native build under AddressSanitizer + UndefinedBehaviorSanitizer (engine, tool, their tests);
#   2. 32-bit Windows build with MinGW-w64, all tests run under Wine inside a virtual display;
#   3. a bounded libFuzzer run over the bitmap reader and the conversion.
# Ends with one summary line "N passed, N failed" counting test cases; exits non-zero if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
results=$root/build/results
rm -rf "$results"
mkdir -p "$results"
failed_steps=""
step() { echo; echo "=== $*"; }
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

step "native build (ASan + UBSan)"
if build build/native -DGLYPHCAST_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  (cd build/native && GTEST_OUTPUT="xml:$results/native/" ctest --output-on-failure -j"$jobs") ||
    failed_steps="$failed_steps native-tests"
else
  failed_steps="$failed_steps native-build"
fi

step "Windows build (MinGW-w64 i686)"
if build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  step "Windows tests under Wine"
  GLYPHCAST_WINE_UNMANAGED=1 source scripts/wine-env.sh
  mkdir -p "$results/win32"
  GTEST_OUTPUT="xml:$(winepath -w "$results/win32/" 2>/dev/null)" xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c "wineserver -k 2>/dev/null; cd build/win32 && ctest --output-on-failure; rc=\$?; wineserver -k 2>/dev/null; exit \$rc" || failed_steps="$failed_steps wine-tests"
else
  failed_steps="$failed_steps windows-build"
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

# Count test cases from GoogleTest's reports (<testsuites tests="N" failures="F" ... errors="E">).
read -r total bad < <(cat "$results"/*/*.xml 2>/dev/null | grep -o '<testsuites [^>]*>' |
  sed -E 's/.* tests="([0-9]+)" failures="([0-9]+)".* errors="([0-9]+)".*/\1 \2 \3/' |
  awk '{t+=$1; f+=$2+$3} END {print t+0, f+0}')
total=$((total + fuzz_total)); bad=$((bad + fuzz_bad))
# A test program that died before writing its report still counts as a failure.
if [ -n "$failed_steps" ] && [ "$bad" = 0 ]; then bad=1; fi

echo
[ -n "$failed_steps" ] && echo "failed steps:$failed_steps"
echo "$((total - bad)) passed, $bad failed"
[ -z "$failed_steps" ] && [ "$bad" = 0 ] && [ "$total" -gt 1 ]
