#!/usr/bin/env bash
# Builds the product and the benchmark programs and prints their figures (a virtual display
# of its own, so it can run beside a session).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build.sh"
build="$top/build/win"
cmake --build "$build" --target contacts_bench save_bench messages_bench photos_bench music_bench
display=${ZS_DISPLAY:-:89}
"$top/scripts/wine-env.sh" start "$build" "$display"
trap '"$top/scripts/wine-env.sh" stop "$build" "$display"' EXIT
DISPLAY_OVERRIDE=$display "$build/wine-run.sh" "$build/bench/contacts_bench.exe" | tr -d '\r'
DISPLAY_OVERRIDE=$display "$build/wine-run.sh" "$build/bench/save_bench.exe" | tr -d '\r'
DISPLAY_OVERRIDE=$display "$build/wine-run.sh" "$build/bench/messages_bench.exe" | tr -d '\r'
DISPLAY_OVERRIDE=$display "$build/wine-run.sh" "$build/bench/photos_bench.exe" | tr -d '\r'
DISPLAY_OVERRIDE=$display "$build/wine-run.sh" "$build/bench/music_bench.exe" | tr -d '\r'
