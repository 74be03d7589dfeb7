#!/usr/bin/env bash
# Builds the benchmarks when needed and runs every one of them.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${CORVANE_BUILD_DIR:-$ROOT/build}"

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCORVANE_BENCH=ON
else
    cmake -S "$ROOT" -B "$BUILD" -DCORVANE_BENCH=ON >/dev/null
fi
cmake --build "$BUILD" --target benchmarks --parallel "$(nproc)"

status=0
for b in "$BUILD"/bin/bench_*; do
    [ -x "$b" ] || continue
    # The bare window is bench_startup's yardstick, not a benchmark of its own.
    [ "$(basename "$b")" = bench_startup_bare ] && continue
    echo "== $(basename "$b")"
    # The start-up benchmark shows windows: it needs a display.
    if [ "$(basename "$b")" = bench_startup ] && [ -z "${DISPLAY:-}" ]; then
        xvfb-run -a "$b" || status=1
    else
        "$b" || status=1
    fi
done
exit $status
