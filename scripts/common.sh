# Shared by run.sh and test.sh: install the Debian packages, configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${CORVANE_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev libgl-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libcdio-dev libcdio-cdda-dev libcdio-paranoia-dev libiso9660-dev cd-paranoia
    libburn-dev libisofs-dev
    libespeak-ng-dev espeak-ng libfftw3-dev libsqlite3-dev libmp3lame-dev
    ffmpeg python3 python3-mutagen sox pulseaudio pulseaudio-utils
    libtag1-dev xvfb xauth clang-format
)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${PACKAGES[@]}"
}

build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja "$@"
    cmake --build "$BUILD" --parallel "$(nproc)"
}
