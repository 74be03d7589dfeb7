#!/usr/bin/env bash
# Builds the benchmarks when needed, runs every one of them (or those named:
# scripts/bench.sh bench_tags bench_join) and prints one table of their
# closing lines: benchmark, figure, peer, ratio, target, met. Exits non-zero
# when any benchmark missed its target, found a wrong output or failed.
# CORVANE_BENCH_ROUNDS sets the rounds each side runs; CORVANE_BUILD_JOBS the
# build's parallel jobs.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${CORVANE_BUILD_DIR:-$ROOT/build}"

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCORVANE_BENCH=ON
else
    cmake -S "$ROOT" -B "$BUILD" -DCORVANE_BENCH=ON >/dev/null
fi
cmake --build "$BUILD" --target benchmarks --parallel "${CORVANE_BUILD_JOBS:-$(nproc)}"

logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT
rows="$logs/rows.tsv"
printf 'benchmark\tfigure\tpeer\tratio\ttarget\tmet\n' >"$rows"

# The closing lines a benchmark printed, as table rows; for a benchmark that
# printed none, a row from its last line with a ratio in it, or a bare failure.
gather() {
    local name="$1" log="$2" rc="$3"
    local lines
    lines="$(grep -E '^bench_[a-z_]+( [^:|]*)?: ratio [^|]* \| ' "$log" || true)"
    if [ -n "$lines" ]; then
        # name: ratio R | figure | peer P | target T | state
        printf '%s\n' "$lines" | awk -F ' [|] ' -v OFS='\t' '{
            split($1, head, ": ratio ");
            peer = $3; sub(/^peer /, "", peer);
            target = $4; sub(/^target /, "", target);
            print head[1], $2, peer, head[2], target, $5 }' >>"$rows"
        if [ "$rc" -ne 0 ] && ! printf '%s\n' "$lines" | grep -qvE ' \| met$'; then
            printf '%s\t-\t-\t-\t-\tFAILED (exit %s)\n' "$name" "$rc" >>"$rows"
        fi
        return
    fi
    local last ratio target state
    last="$(grep -E 'ratio [0-9.]+' "$log" | tail -n 1 || true)"
    state=$([ "$rc" -eq 0 ] && echo met || echo "FAILED (exit $rc)")
    if [ -n "$last" ]; then
        ratio="$(sed -nE 's/.*ratio ([0-9.]+).*/\1/p' <<<"$last")"
        target="$(sed -nE 's/.*target ([^)]*)\).*/\1/p' <<<"$last")"
        # Its figures: what stands between its last colon and the ratio.
        printf '%s\t%s\t-\t%s\t%s\t%s\n' "$name" "$(sed -E 's/^.*: //; s/,? *ratio [0-9.].*//' <<<"$last")" \
            "$ratio" "ratio ${target:--}" "$state" >>"$rows"
    else
        printf '%s\t-\t-\t-\t-\t%s\n' "$name" "$state" >>"$rows"
    fi
}

if [ "$#" -gt 0 ]; then
    benches=()
    for n in "$@"; do benches+=("$BUILD/bin/$n"); done
else
    benches=("$BUILD"/bin/bench_*)
fi

status=0
for b in "${benches[@]}"; do
    [ -x "$b" ] || { echo "no benchmark $b" >&2; status=1; continue; }
    name="$(basename "$b")"
    # The bare window is bench_startup's yardstick, not a benchmark of its own.
    [ "$name" = bench_startup_bare ] && continue
    echo "== $name"
    rc=0
    # The start-up benchmark shows windows: it needs a display.
    if [ "$name" = bench_startup ] && [ -z "${DISPLAY:-}" ]; then
        xvfb-run -a "$b" 2>&1 | tee "$logs/$name.log" || rc=$?
    else
        "$b" 2>&1 | tee "$logs/$name.log" || rc=$?
    fi
    [ "$rc" -ne 0 ] && status=1
    gather "$name" "$logs/$name.log" "$rc"
done

echo
awk -F '\t' '
    { for (i = 1; i <= NF; ++i) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } n = NR }
    END { for (r = 1; r <= n; ++r) {
              line = "";
              for (i = 1; i <= 6; ++i) line = line sprintf(i < 6 ? "%-" w[i] "s  " : "%s", cell[r, i]);
              print line } }' "$rows"
exit $status
