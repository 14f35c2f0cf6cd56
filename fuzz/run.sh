#!/usr/bin/env bash
# Builds the conversion fuzzer with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time over a freshly
# generated seed corpus. Usage: fuzz/run.sh [seconds]   (default 60)
# The build goes to build/fuzz, or to $FUZZ_BUILD_DIR. Exits non-zero on any
# crash, sanitizer report, timeout or memory blow-up.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
cc=$(command -v clang || command -v clang-14)
cxx=$(command -v clang++ || command -v clang++-14)

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHCAST_FUZZ=ON -DGLYPHCAST_SANITIZE=ON \
  -DGLYPHCAST_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target glyphcast_fuzz glyphcast_fuzz_seeds

seeds=$build/fuzz-seeds
corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus" "$artifacts"
# The HEIF seeds are written through x265, whose own tables LeakSanitizer would report.
LSAN_OPTIONS=suppressions=$root/tests/lsan.supp "$build/fuzz/glyphcast_fuzz_seeds" "$seeds"

# The libraries' own leaks that tests/lsan.supp names are not the program's.
LSAN_OPTIONS=suppressions=$root/tests/lsan.supp "$build/fuzz/glyphcast_fuzz" -max_total_time="$seconds" -max_len=16384 -timeout=20 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds"
