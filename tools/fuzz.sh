#!/usr/bin/env bash
# Long fuzzing runs, for developers (the test run only replays the committed corpora).
#   tools/fuzz.sh TARGET [SECONDS]     e.g. tools/fuzz.sh KickFile 600
# TARGET is a file name in fuzz/targets without ".cpp". Builds the libFuzzer programs with
# clang, AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz, then fuzzes TARGET
# from its committed corpus (new finds go to build-fuzz/corpus/TARGET, crashers to
# build-fuzz/crashes/TARGET). Mend what a crasher shows, then keep it as a test by copying
# it into fuzz/corpus/TARGET under a name that says what it holds.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build-fuzz"
target="${1:?usage: $0 TARGET [SECONDS]}"
seconds="${2:-300}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZOB_SANITIZER=address -DZOB_FUZZ=ON -DZOB_BUILD_TESTS=OFF -DZOB_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "ZobFuzz$target" -j "$(( $(nproc) > 1 ? $(nproc) / 2 : 1 ))"

mkdir -p "$build/corpus/$target" "$build/crashes/$target"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$build/ZobFuzz$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/crashes/$target/" "$build/corpus/$target" "$here/fuzz/corpus/$target"
