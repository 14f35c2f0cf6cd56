#!/usr/bin/env bash
# Builds the conversion benchmark in Release (no sanitizers) and runs it.
# Usage: bench/run.sh [work-directory]   The build goes to build/bench, or to
# $BENCH_BUILD_DIR. The work directory holds the 36 MB picture and the page
# while it runs (default: a fresh one under the system's temporary directory), with
# its PNG and JPEG copies. BENCH_REPEATS sets how often each task runs (default 5);
# BENCH_KEEP=1 keeps the three pictures in the work directory.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_SANITIZE=OFF \
  -DGLYPHCAST_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target glyphcast_bench
"$build/bench/glyphcast_bench" "$@"
