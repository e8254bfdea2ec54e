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
    clang libclang-rt-14-dev
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

run_tests()
{
    (cd "$1" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" "${@:2}")
}

# The suite once more under AddressSanitizer + UndefinedBehaviorSanitizer, and the tests of
# threads and real-time safety under ThreadSanitizer. The two folders build side by side,
# each with half the cores; a failure in either fails the command after both have finished.
run_sanitizer_suites()
{
    local asan="$build-asan" tsan="$build-tsan" half=$(( jobs > 1 ? jobs / 2 : 1 ))
    local common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DZOB_BUILD_BENCHMARKS=OFF)
    cmake -S "$here" -B "$asan" "${common[@]}" -DZOB_SANITIZER=address >/dev/null
    cmake -S "$here" -B "$tsan" "${common[@]}" -DZOB_SANITIZER=thread -DZOB_BUILD_HOST_TESTS=OFF >/dev/null
    cmake --build "$asan" -j "$half" & local asanBuild=$!
    cmake --build "$tsan" -j "$half" & local tsanBuild=$!
    local status=0
    wait "$asanBuild" || status=1
    wait "$tsanBuild" || status=1
    [ "$status" -eq 0 ] || return 1

    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/tests/rt/tsan.supp"
    run_tests "$asan" & local asanRun=$!
    run_tests "$tsan" -L concurrency & local tsanRun=$!
    wait "$asanRun" || status=1
    wait "$tsanRun" || status=1
    return "$status"
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
        run_tests "$build"
        run_sanitizer_suites
        ;;
    *)
        echo "usage: $0 app|test" >&2
        exit 2
        ;;
esac
