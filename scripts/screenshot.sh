#!/usr/bin/env bash
# Builds the program when needed, starts it on a virtual screen in a private
# world (program folder, registry and drives in a temporary folder) with a
# list of two generated tones, and writes a picture of the main window to
# build/screenshot.png (or the path given as the first argument).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${CORVANE_BUILD_DIR:-$ROOT/build}"
OUT="${1:-$BUILD/screenshot.png}"

if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF
fi
cmake --build "$BUILD" --target corvane --parallel "$(nproc)"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export CORVANE_HOME="$WORK/home"
export CORVANE_REGISTRY="$WORK/registry.db"
export CORVANE_VIRTUAL_DRIVES="$WORK/drive1"
export CORVANE_NO_REAL_DRIVES=1
export CORVANE_NO_POWEROFF=1
export XDG_CONFIG_HOME="$WORK/config"
export XDG_DATA_HOME="$WORK/data"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$CORVANE_HOME/Main" "$WORK/drive1" "$WORK/audio" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Two short tones and a list that names them.
list="$CORVANE_HOME/Main/My Songs.flst"
: >"$list"
n=0
for freq in 440 660; do
    n=$((n + 1))
    wav="$WORK/audio/Tone $freq Hz.wav"
    if command -v sox >/dev/null; then
        sox -n -r 44100 -c 2 -b 16 "$wav" synth 3 sine "$freq" 2>/dev/null || true
    elif command -v ffmpeg >/dev/null; then
        ffmpeg -loglevel error -f lavfi -i "sine=frequency=$freq:duration=3" -ac 2 "$wav" || true
    fi
    [ -f "$wav" ] || continue
    printf '<ITEM><Inc>%s</Inc><Type>Audio</Type><Item Name>Tone %s Hz.wav</Item Name><COL_FILE>%s</COL_FILE><COL_RANGE_ALL>1</COL_RANGE_ALL><COL_RANGE_START_TIME></COL_RANGE_START_TIME><COL_RANGE_LENGTH_TIME></COL_RANGE_LENGTH_TIME><COL_TAG_ALBUM></COL_TAG_ALBUM><COL_TAG_ARTIST></COL_TAG_ARTIST><COL_TAG_COMMENT></COL_TAG_COMMENT><COL_TAG_GEN></COL_TAG_GEN><COL_TAG_YEAR></COL_TAG_YEAR><COL_TAG_TITLE></COL_TAG_TITLE><COL_TAG_TRACK>%s</COL_TAG_TRACK></ITEM>\r\n' \
        "$((n % 2))" "$freq" "$wav" "$n" >>"$list"
done

rm -f "$OUT"
# The program saves its own window (CORVANE_SCREENSHOT) and then ends.
CORVANE_SCREENSHOT="$OUT" timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" "$BUILD/bin/corvane" || true
if [ ! -s "$OUT" ]; then
    echo "No screenshot was written." >&2
    exit 1
fi
echo "$OUT"
