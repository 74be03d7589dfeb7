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
chmod 700 "$XDG_RUNTIME_DIR"
pulse_pid_file="$XDG_RUNTIME_DIR/pulse/pid"
stop_pulse() {
    if [ -f "$pulse_pid_file" ]; then kill "$(cat "$pulse_pid_file")" 2>/dev/null || true; fi
    rm -rf "$XDG_RUNTIME_DIR"
}
trap stop_pulse EXIT
# The audio tests need a real server; without one they would test nothing.
if ! pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --use-pid-file=yes \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=ci_null" \
    --load="module-remap-source source_name=ci_mic master=ci_null.monitor" \
    --load=module-always-sink; then
    echo "test.sh: the PulseAudio test server did not start" >&2
    exit 1
fi
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
pactl set-default-source ci_mic

cd "$BUILD"
# Extra arguments go to ctest (for example -R tst_ripper to run one test).
ctest --output-on-failure --parallel "$(nproc)" --timeout 600 "$@"
