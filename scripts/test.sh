#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. native build under AddressSanitizer + UndefinedBehaviorSanitizer (engine, tool, their tests);
#   2. 32-bit Windows build with MinGW-w64, all tests run under Wine inside a virtual display;
#   3. a bounded libFuzzer run over the bitmap reader and the conversion.
# Ends with one summary line "N passed, N failed"; exits non-zero if anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
log=$(mktemp)
failed_steps=""
fuzz_total=0
fuzz_bad=0
step() { echo; echo "=== $*"; }

step "native build (ASan + UBSan)"
if cmake -S . -B build/native -DGLYPHCAST_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
   cmake --build build/native -j"$jobs" >/dev/null; then
  (cd build/native && ctest --output-on-failure -j"$jobs") 2>&1 | tee -a "$log" || failed_steps="$failed_steps native-tests"
else
  failed_steps="$failed_steps native-build"
fi

step "Windows build (MinGW-w64 i686)"
if cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
   cmake --build build/win32 -j"$jobs" >/dev/null; then
  step "Windows tests under Wine"
  source scripts/wine-env.sh
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c "cd build/win32 && ctest --output-on-failure" 2>&1 \
    | tee -a "$log" || failed_steps="$failed_steps wine-tests"
else
  failed_steps="$failed_steps windows-build"
fi

if [ -f fuzz/run.sh ]; then
  step "fuzzing (bounded)"
  fuzz_total=1
  FUZZ_BUILD_DIR="$root/build/fuzz" bash fuzz/run.sh "${FUZZ_SECONDS:-60}" || { failed_steps="$failed_steps fuzz"; fuzz_bad=1; }
fi

# Sum the ctest summaries ("NN% tests passed, F tests failed out of T").
read -r total bad < <(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" |
  sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/' |
  awk '{f+=$1; t+=$2} END {print t+0, f+0}')
rm -f "$log"
total=$((total + fuzz_total)); bad=$((bad + fuzz_bad))
[ -n "$failed_steps" ] && echo "failed steps:$failed_steps"
echo
echo "$((total - bad)) passed, $bad failed"
[ -z "$failed_steps" ] && [ "$bad" = 0 ] && [ "$total" -gt 0 ]
