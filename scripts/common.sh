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
    libespeak-ng-dev espeak-ng libfftw3-dev libsqlite3-dev libmp3lame-dev libpulse-dev
    ffmpeg python3 python3-mutagen sox pulseaudio pulseaudio-utils
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
