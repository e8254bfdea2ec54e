#!/usr/bin/env bash
# Reports the CPU share of an idle Standalone window: ZOB starts under a private X server
# (Xvfb) with a private HOME, so no sound plays and no mouse moves; after it has settled, its
# user and system time are read from /proc over a measuring window.
#
#   tools/idle-cpu.sh [SECONDS]   (default 10; builds the Standalone first when it is missing)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZOB_BUILD_DIR:-$here/build}"
app="$build/ZOB_artefacts/Release/Standalone/ZOB"
seconds="${1:-10}"
settle=3

if [ ! -x "$app" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target ZOB_Standalone -j "${ZOB_JOBS:-$(nproc)}"
fi

scratch="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$scratch"' EXIT

HOME="$scratch" TMPDIR="$scratch" xvfb-run -a -s "-screen 0 1280x1024x24" "$app" >/dev/null 2>&1 &
runner=$!

# xvfb-run starts the app as its child; wait for it to appear.
pid=""
for _ in $(seq 50); do
    pid="$(pgrep -P "$runner" -f "$app" || true)"
    [ -n "$pid" ] && break
    pid="$(pgrep -f "^$app" | head -n 1 || true)"
    [ -n "$pid" ] && break
    sleep 0.1
done
[ -n "$pid" ] || { echo "the Standalone did not start" >&2; exit 1; }

sleep "$settle"

ticks()
{
    # Fields 14 and 15 of /proc/PID/stat: user and system time in clock ticks. The command
    # name (field 2) is in parentheses and holds no spaces here.
    awk '{ print $14 + $15 }' "/proc/$pid/stat"
}

hz="$(getconf CLK_TCK)"
before="$(ticks)"
started="$(date +%s.%N)"
sleep "$seconds"
after="$(ticks)"
ended="$(date +%s.%N)"

awk -v t="$((after - before))" -v hz="$hz" -v a="$started" -v b="$ended" \
    'BEGIN { printf "Idle Standalone: %.2f %% of one core over %.1f s\n", 100 * t / hz / (b - a), b - a }'
