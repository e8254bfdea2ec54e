#!/usr/bin/env bash
# Sets up, builds and runs ZOB on Debian 12.
#   tools/dev.sh app    install what is missing, build, launch the Standalone app
#   tools/dev.sh test   install what is missing, check the formatting, build, run the whole test suite
#   tools/dev.sh format install what is missing, format every C and C++ file of the tree
#   tools/dev.sh screenshots  install what is missing, build, render the README's pictures
#                             of the editor into docs/images
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZOB_BUILD_DIR:-$here/build}"
jobs="${ZOB_JOBS:-$(nproc 2>/dev/null || echo 4)}" # ZOB_JOBS caps the cores used (shared machines)

packages=(
    build-essential cmake ninja-build pkg-config ccache git
    juce-modules-source
    libflac-dev libvorbis-dev libogg-dev zlib1g-dev libpng-dev libjpeg-dev
    libasound2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxcomposite-dev libxcursor-dev libxext-dev libxinerama-dev
    libxrandr-dev libxrender-dev libgl-dev
    libcurl4-openssl-dev
    fonts-manrope
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth
    clang libclang-rt-14-dev
    clang-format-14
)

# One pinned formatter, so every machine formats alike.
clang_format=clang-format-14

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

# Runs a build folder's tests (ctest arguments follow). A selection that finds no test fails:
# a label nobody carries any more must not pass as a green run.
# The test programs come and go in parallel on one X server; by default Xvfb resets itself
# whenever its last client leaves, and a program connecting during that reset loses its
# connection (and dies of SIGPIPE on its next request), so the server never resets here.
run_tests()
{
    (cd "$1" && ${launcher:-} xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure --no-tests=error -j "$jobs" "${@:2}")
}

# ThreadSanitizer keeps its shadow memory at fixed addresses, which some kernels' wide mmap
# randomisation collides with (the process dies at start). Without address randomisation,
# which every child inherits, it always fits; where setarch is not allowed, run as is.
run_tests_without_address_randomisation()
{
    local launcher=""
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        launcher="setarch $(uname -m) -R"
    fi
    run_tests "$@"
}

# The tree's own C and C++ files (not the build folders).
source_files()
{
    if git -C "$here" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git -C "$here" ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' '*.c'
    else
        (cd "$here" && find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0)
    fi
}

# Fails, naming them, when files differ from what .clang-format makes of them.
check_formatting()
{
    local unformatted
    unformatted=$(cd "$here" && source_files | xargs -0 -r -n 20 sh -c \
        'for f; do [ -f "$f" ] && ! '"$clang_format"' --dry-run -Werror "$f" >/dev/null 2>&1 && echo "$f"; done; true' sh)
    if [ -n "$unformatted" ]; then
        echo "These files are not formatted (tools/dev.sh format fixes them):" >&2
        echo "$unformatted" >&2
        return 1
    fi
}

seconds_since()
{
    echo $(( $(date +%s) - $1 ))
}

# The suite once more under AddressSanitizer + UndefinedBehaviorSanitizer, and the thread
# tests (label "concurrency", tests/concurrency) under ThreadSanitizer. Each configuration is
# built once, in its own folder; the two build side by side (the ThreadSanitizer folder
# builds only the thread tests, so it gets a third of the cores) and then run side by side.
# A failure in either fails the command after both have finished.
run_sanitizer_suites()
{
    local asan="$build-asan" tsan="$build-tsan"
    local tsanJobs=$(( jobs / 3 > 0 ? jobs / 3 : 1 ))
    local asanJobs=$(( jobs - tsanJobs > 0 ? jobs - tsanJobs : 1 ))
    local common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DZOB_BUILD_BENCHMARKS=OFF)
    cmake -S "$here" -B "$asan" "${common[@]}" -DZOB_SANITIZER=address >/dev/null
    cmake -S "$here" -B "$tsan" "${common[@]}" -DZOB_SANITIZER=thread -DZOB_BUILD_HOST_TESTS=OFF >/dev/null

    local started status=0
    started=$(date +%s)
    cmake --build "$asan" -j "$asanJobs" & local asanBuild=$!
    cmake --build "$tsan" -j "$tsanJobs" --target ZobConcurrencyTests & local tsanBuild=$!
    wait "$asanBuild" || status=1
    wait "$tsanBuild" || status=1
    echo "Sanitizer builds: $(seconds_since "$started") s"
    [ "$status" -eq 0 ] || return 1

    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/tests/concurrency/tsan.supp"
    started=$(date +%s)
    run_tests "$asan" & local asanRun=$!
    run_tests_without_address_randomisation "$tsan" -L concurrency & local tsanRun=$!
    wait "$asanRun" || status=1
    wait "$tsanRun" || status=1
    echo "Sanitizer suites: $(seconds_since "$started") s"
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
        check_formatting
        started=$(date +%s)
        configure_and_build
        run_tests "$build"
        echo "Release build and suite: $(seconds_since "$started") s"
        run_sanitizer_suites
        echo "Whole test command: $(seconds_since "$started") s"
        ;;
    screenshots)
        install_missing
        cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
        cmake --build "$build" -j "$jobs" --target ZobScreenshots
        xvfb-run -a -s "-screen 0 1280x1024x24" "$build/screenshots/ZobScreenshots" "$here/docs/images"
        ;;
    format)
        install_missing
        (cd "$here" && source_files | xargs -0 -r "$clang_format" -i)
        ;;
    *)
        echo "usage: $0 app|test|format|screenshots" >&2
        exit 2
        ;;
esac
