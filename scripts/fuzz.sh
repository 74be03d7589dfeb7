#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer, linking the real project code) and runs
# each for a bounded time, one after the other, seeded from fuzz/corpus/<target>.
# The working corpora, crash inputs and logs stay in the build folder
# (build-fuzz/run/<target>/); the seeds in the source tree stay as they are:
# copy an input that found a fault into fuzz/corpus/<target>/ by hand.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
# Targets: decoder wav_header mp3_probe items_list cue_sheet cddb id3v2 (all by default).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="${CORVANE_FUZZ_DIR:-$ROOT/build-fuzz}"
SECONDS_TO_RUN="${1:-60}"
shift || true
ALL=(decoder wav_header mp3_probe items_list cue_sheet cddb id3v2)
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=("${ALL[@]}")

# Inputs per target: how long one may be. An input may take 25 s (a slow
# input is a fault; the margin is for a busy machine).
max_len() {
    case "$1" in
    decoder) echo 16384 ;;
    wav_header | mp3_probe) echo 32768 ;;
    *) echo 65536 ;;
    esac
}

if [ ! -f "$OUT/CMakeCache.txt" ]; then
    CC="${CORVANE_FUZZ_CC:-clang}" CXX="${CORVANE_FUZZ_CXX:-clang++}" \
        cmake -S "$ROOT" -B "$OUT" -G Ninja -DCORVANE_FUZZ=ON -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF \
        -DCORVANE_EDITION=full -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$OUT" --parallel "${CORVANE_JOBS:-4}" --target fuzz_all

export QT_QPA_PLATFORM=offscreen CORVANE_NO_POWEROFF=1 CORVANE_NO_REAL_DRIVES=1
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$ROOT/fuzz/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
for target in "${TARGETS[@]}"; do
    run="$OUT/run/$target"
    mkdir -p "$run/corpus" "$run/tmp"
    echo "== $target: $SECONDS_TO_RUN s"
    if ! TMPDIR="$run/tmp" "$OUT/bin/fuzz_$target" -max_total_time="$SECONDS_TO_RUN" \
        -max_len="$(max_len "$target")" -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=25 \
        -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" "$ROOT/fuzz/corpus/$target" \
        2>"$run/log"; then
        status=1
        echo "$target: found a fault, see $run/log and the inputs in $run/" >&2
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov: ' "$run/log" | tail -n 3 || true
done
exit $status
