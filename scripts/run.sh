#!/usr/bin/env bash
# Builds what is stale and runs the program. On a desktop it opens on your display;
# with no display it runs on a virtual one for a few seconds and saves a screenshot.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build.sh"
build="$top/build/win"
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

if [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  "$top/scripts/wine-env.sh" start "$build" "$DISPLAY"
  exec wine "$build/product/deskhost.exe"
fi

display=:90
seconds=${ZS_RUN_SECONDS:-8}
"$top/scripts/wine-env.sh" start "$build" "$display"
DISPLAY=$display wine "$build/product/deskhost.exe" </dev/null >"$build/deskhost-run.log" 2>&1 &
sleep "$seconds"
shot="$build/screenshot.png"
DISPLAY=$display /usr/bin/import -window root "$shot"
"$top/scripts/wine-env.sh" stop "$build" "$display"
wait 2>/dev/null || true
echo "No display: ran the program for $seconds s on a virtual display."
echo "Screenshot: $shot"
echo "Program output: $build/deskhost-run.log"
