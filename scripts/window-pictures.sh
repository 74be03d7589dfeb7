#!/usr/bin/env bash
# Opens every window of the full build as a new user first sees it (the
# tst_toolwindows test, in its private temporary world) and saves a picture
# of each, and of each further tab, to build/windows/ (or the folder given as
# the first argument). Needs a full build with its tests.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${CORVANE_BUILD_DIR:-$ROOT/build}"
OUT="${1:-$BUILD/windows}"

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCORVANE_EDITION=full -DCORVANE_TESTS=ON
fi
cmake --build "$BUILD" --target tst_toolwindows --parallel 4

mkdir -p "$OUT"
rm -f "$OUT"/*.png
QT_QPA_PLATFORM=offscreen CORVANE_NO_POWEROFF=1 CORVANE_NO_REAL_DRIVES=1 CORVANE_STRICT_LINKS=1 \
    CORVANE_VIRTUAL_DRIVES= CORVANE_SCREENSHOTS="$OUT" "$BUILD/bin/tst_toolwindows"
echo "$OUT"
