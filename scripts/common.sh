# Shared by run.sh and test.sh: install the Debian packages, configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${CORVANE_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev libgl-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libcdio-dev libcdio-cdda-dev libcdio-paranoia-dev libiso9660-dev cd-paranoia
    libburn-dev libisofs-dev xorriso
    libespeak-ng-dev espeak-ng libfftw3-dev libsqlite3-dev libmp3lame-dev libpulse-dev libfontconfig-dev
    ffmpeg python3 python3-mutagen sox pulseaudio pulseaudio-utils dbus
    libtag1-dev xvfb xauth clang-format
)

# Another install (a desktop updater, a second terminal) holds the package
# manager's locks for a while: dpkg's lock is waited for by apt itself, the
# package lists' lock by asking again until it is free. Other failures stop
# the script as before.
APT_LOCK_WAIT_SECONDS="${CORVANE_APT_LOCK_WAIT_SECONDS:-600}"
APT_LOCK_RETRY_SECONDS="${CORVANE_APT_LOCK_RETRY_SECONDS:-5}"

apt_get() {
    local waited=0 status log
    log="$(mktemp)"
    while true; do
        status=0
        # shellcheck disable=SC2086 # APT_GET may be "sudo apt-get"
        ${APT_GET:-apt-get} -o DPkg::Lock::Timeout="$APT_LOCK_WAIT_SECONDS" "$@" 2>&1 | tee "$log" ||
            status=${PIPESTATUS[0]}
        if [ "$status" -eq 0 ]; then
            rm -f "$log"
            return 0
        fi
        if ! grep -qiE "could not get lock|unable to lock|is another process using it" "$log"; then
            rm -f "$log"
            return "$status"
        fi
        if [ "$waited" -ge "$APT_LOCK_WAIT_SECONDS" ]; then
            echo "The package manager stayed locked by another install for ${waited} s; run this again when it has finished." >&2
            rm -f "$log"
            return "$status"
        fi
        echo "Another install is using the package manager; waiting for it to finish..." >&2
        sleep "$APT_LOCK_RETRY_SECONDS"
        waited=$((waited + APT_LOCK_RETRY_SECONDS))
    done
}

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    APT_GET="$sudo apt-get" apt_get update
    DEBIAN_FRONTEND=noninteractive APT_GET="$sudo apt-get" apt_get install -y "${PACKAGES[@]}"
}

# CORVANE_EDITION=full builds the edition with every tool; the default is the
# standard one.
build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCORVANE_EDITION="${CORVANE_EDITION:-standard}" "$@"
    cmake --build "$BUILD" --parallel "$(nproc)"
}

# The tests' sound server: a PulseAudio of their own with a null sink and a
# source recording it, answering at unix:$1/pulse/native. It is kept apart
# from whatever the user's session runs: a desktop's session bus already has
# a PulseAudio on it (a second one refuses to start there), the user's
# configuration could change its modules, and a root shell must not leave
# files in the user's home. So it sees no session bus and no display (through
# which it would find the bus again), and gets a runtime and a home folder
# inside $1. Returns non-zero, with the server's log, when it did not start
# or another server answers in its place.
start_test_sound_server() {
    local dir="$1"
    mkdir -p "$dir/home" "$dir/config"
    chmod 700 "$dir"
    if ! env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY -u PULSE_SERVER \
        XDG_RUNTIME_DIR="$dir" HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" \
        pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --use-pid-file=yes \
        --log-target="file:$dir/pulse.log" \
        --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=ci_null" \
        --load="module-remap-source source_name=ci_mic master=ci_null.monitor" \
        --load=module-always-sink; then
        echo "the PulseAudio test server did not start; its log:" >&2
        cat "$dir/pulse.log" >&2 2>/dev/null || true
        return 1
    fi
    # Its own null sink on its own socket: the private server answers.
    if ! pactl_test_server "$dir" list short sinks 2>/dev/null | grep -qw ci_null; then
        echo "the PulseAudio test server does not answer at $dir/pulse/native; its log:" >&2
        cat "$dir/pulse.log" >&2 2>/dev/null || true
        stop_test_sound_server "$dir"
        return 1
    fi
    pactl_test_server "$dir" set-default-source ci_mic
}

# pactl on the server in $1 (its clients take the server's cookie, so that
# none is made in the user's home).
pactl_test_server() {
    local dir="$1"
    shift
    PULSE_SERVER="unix:$dir/pulse/native" PULSE_COOKIE="$dir/config/pulse/cookie" pactl "$@"
}

# Stops the server start_test_sound_server started in $1.
# It returns once the server has ended, so that its folder can be removed:
# a server still shutting down writes into it.
stop_test_sound_server() {
    local pid_file="$1/pulse/pid" pid
    [ -f "$pid_file" ] || return 0
    pid="$(cat "$pid_file")"
    kill "$pid" 2>/dev/null || return 0
    timeout 20 tail --pid="$pid" -f /dev/null || kill -9 "$pid" 2>/dev/null || true
}
