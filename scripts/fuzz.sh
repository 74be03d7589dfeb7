#!/usr/bin/env bash
# Builds the ID3v2 reader's fuzz target with clang (libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs it for a bounded time, starting
# from the hand-made broken tags in tests/id3/corpus.
# Usage: scripts/fuzz.sh [seconds, default 60]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="${CORVANE_FUZZ_DIR:-$ROOT/build-fuzz}"
SECONDS_TO_RUN="${1:-60}"
CXX="${CORVANE_FUZZ_CXX:-clang++}"

mkdir -p "$OUT/corpus"
SOURCES=(
    "$ROOT/src/id3/TagError.cpp"
    "$ROOT/src/id3/TagFile.cpp"
    "$ROOT/src/id3/ID3GenreNames.cpp"
    "$ROOT/src/id3/ID3v2Format.cpp"
    "$ROOT/src/id3/cMP3ID3v1.cpp"
    "$ROOT/src/id3/cMP3ID3v2.cpp"
    "$ROOT/tests/id3/FuzzEntry.cpp"
    "$ROOT/tests/id3/fuzz_id3v2.cpp"
)
# shellcheck disable=SC2046
"$CXX" -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$ROOT/src" -I"$ROOT/tests/id3" $(pkg-config --cflags Qt6Core) \
    "${SOURCES[@]}" $(pkg-config --libs Qt6Core) -o "$OUT/fuzz_id3v2"

# The working corpus grows in the build folder; the seeds in the source tree stay as they are.
"$OUT/fuzz_id3v2" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -rss_limit_mb=1024 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$OUT/" "$OUT/corpus" "$ROOT/tests/id3/corpus"
