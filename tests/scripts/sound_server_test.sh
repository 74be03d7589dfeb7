#!/usr/bin/env bash
# The tests' private sound server starts wherever test.sh is run: with no
# session bus (CI), and from a desktop terminal whose session bus already has
# a PulseAudio on it. It is the private server that then answers, the
# desktop's keeps its name, and the user's home is left untouched.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/common.sh"

work="$(mktemp -d)"
bus_pid=""
cleanup() {
    stop_test_sound_server "$work/desktop"
    stop_test_sound_server "$work/private"
    if [ -n "$bus_pid" ]; then kill "$bus_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

name_has_owner() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'
}

# The user's home as a desktop has it; the server must write nothing there.
export HOME="$work/user"
mkdir -p "$HOME"
unset XDG_CONFIG_HOME

# Starts the private server in a fresh folder and checks it is the one that answers.
check_private_server_starts() { # case name
    rm -rf "$work/private"
    mkdir -p "$work/private"
    start_test_sound_server "$work/private" || fail "$1: the server did not start"
    pactl_test_server "$work/private" list short sinks | grep -qw ci_null ||
        fail "$1: the private server does not answer"
    [ "$(pactl_test_server "$work/private" get-default-source)" = ci_mic ] ||
        fail "$1: the default source is not the null sink's monitor"
    stop_test_sound_server "$work/private"
    [ -z "$(ls -A "$HOME")" ] || fail "$1: files were written to the user's home: $(ls -A "$HOME")"
}

# CI: no session bus.
(
    unset DBUS_SESSION_BUS_ADDRESS DISPLAY
    check_private_server_starts "no session bus"
)

# A desktop terminal: a session bus whose PulseAudio holds the server's names,
# and a PULSE_SERVER pointing at it.
command -v dbus-daemon >/dev/null || fail "dbus-daemon is not installed"
{
    read -r address
    read -r bus_pid
} < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
[ -n "$address" ] || fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS="$address"
mkdir -p "$work/desktop"
chmod 700 "$work/desktop"
XDG_RUNTIME_DIR="$work/desktop" HOME="$work/desktop" \
    pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes --log-target="file:$work/desktop/log" \
    --load=module-native-protocol-unix || fail "the desktop's PulseAudio did not start"
name_has_owner org.PulseAudio1 || fail "the desktop's PulseAudio is not on the session bus"
export PULSE_SERVER="unix:$work/desktop/pulse/native"
check_private_server_starts "session bus with a PulseAudio"
name_has_owner org.PulseAudio1 || fail "the desktop's PulseAudio lost its name"
PULSE_COOKIE="$work/desktop/.config/pulse/cookie" pactl list short sinks | grep -qw ci_null &&
    fail "the null sink went to the desktop's server"

echo "sound server: starts without a session bus and beside a desktop's PulseAudio"
