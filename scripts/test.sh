#!/usr/bin/env bash
# Installs what Corvane needs, builds it with its tests and runs every test
# headless against a private PulseAudio server with a null sink.
source "$(dirname "$0")/common.sh"
install_packages
# Layout first: a file clang-format would change fails the run.
"$ROOT/scripts/check-format.sh"
build -DCORVANE_TESTS=ON -DCORVANE_BENCH=ON

export QT_QPA_PLATFORM=offscreen
export CORVANE_NO_POWEROFF=1
export XDG_RUNTIME_DIR="$(mktemp -d)"
trap 'stop_test_sound_server "$XDG_RUNTIME_DIR"; rm -rf "$XDG_RUNTIME_DIR"' EXIT
# The audio tests need a real server; without one they would test nothing.
if ! start_test_sound_server "$XDG_RUNTIME_DIR"; then
    echo "test.sh: the PulseAudio test server did not start" >&2
    exit 1
fi
# Every test talks to it alone, whatever the user's settings name.
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
export PULSE_COOKIE="$XDG_RUNTIME_DIR/config/pulse/cookie"
unset PULSE_SINK PULSE_SOURCE

cd "$BUILD"
# Extra arguments go to ctest (for example -R tst_ripper to run one test).
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 "$@"
