#!/usr/bin/env bash
# Sets up, builds and runs ZOB on Debian 12.
#   tools/dev.sh app    install what is missing, build, launch the Standalone app
#   tools/dev.sh test   install what is missing, build, run the whole test suite
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZOB_BUILD_DIR:-$here/build}"
jobs="$(nproc 2>/dev/null || echo 4)"

packages=(
    build-essential cmake ninja-build pkg-config ccache git
    juce-modules-source
    libflac-dev libvorbis-dev libogg-dev zlib1g-dev libpng-dev libjpeg-dev
    libasound2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxcomposite-dev libxcursor-dev libxext-dev libxinerama-dev
    libxrandr-dev libxrender-dev libgl-dev
    fonts-manrope
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth
)

install_missing()
{
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build()
{
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
    cmake --build "$build" -j "$jobs"
}

case "${1:-}" in
    app)
        install_missing
        configure_and_build -DZOB_BUILD_TESTS=OFF -DZOB_BUILD_BENCHMARKS=OFF
        exec "$build/ZOB_artefacts/Release/Standalone/ZOB"
        ;;
    test)
        install_missing
        configure_and_build
        cd "$build"
        xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs"
        ;;
    *)
        echo "usage: $0 app|test" >&2
        exit 2
        ;;
esac
