#!/usr/bin/env bash
# Measures how much each page style looks like its picture and what it costs: builds the converter
# in Release (as bench/run.sh does) and runs bench/measure_pages.py with Debian's python3, which
# renders the pages with headless Chromium. Arguments go to the script (--help tells them), e.g.
#   bash bench/measure-pages.sh --photos chelsea --variants classic,photo --keep /tmp/pages
# The build goes to build/bench, or to $BENCH_BUILD_DIR.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench}

bash "$root/scripts/install-deps.sh" measure
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGLYPHCAST_SANITIZE=OFF \
  -DGLYPHCAST_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target glyphcast-convert >/dev/null
# Debian's python3, whose scikit-image the install above brings.
/usr/bin/python3 "$root/bench/measure_pages.py" --converter "$build/cli/glyphcast-convert" "$@"
