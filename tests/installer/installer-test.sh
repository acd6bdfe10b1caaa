#!/usr/bin/env bash
# The setup program end to end in the test prefix: a silent install, the installed program
# showing its frame, a silent upgrade by a newer build while that copy runs (it is closed,
# the files are replaced, a plug-in the newer build dropped is gone, the user's data stays),
# and the silent uninstall (files, shortcut and registration gone, the user's data kept).
#   installer-test.sh BUILD_DIR SETUP_EXE ICON VERSION DISPLAY
set -uo pipefail
build=$1 setup=$2 icon=$3 version=$4 display=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
make_setup=$here/../../installer/make-setup.sh
run() { "$build/wine-run.sh" "$@" </dev/null; }
unix_path() { run winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_var() { run cmd /c echo "%$1%" 2>/dev/null | tr -d '\r' | sed 's/ *$//'; }

product=Zorvane\ Steward\ for\ Android
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
target='C:\zs-setup-test'
dir=$(unix_path "$target")
data=$(unix_path "$(win_var APPDATA)\\Zorvane\\$product")
shortcut=$(unix_path "$(win_var ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs\\$product.lnk")
marker=$data/zs-setup-test.marker
newer=${version%.*}.$((${version##*.} + 1))
newer_setup=$build/installer-test/ZorvaneStewardSetup-$newer.exe
host_pid=

failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
  run reg delete "$key" /f >/dev/null 2>&1
  rm -rf "$dir" "$marker" "$shortcut"
}
trap cleanup EXIT
# Polls COMMAND every 0.2 s for up to SECONDS.
wait_for() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.2
  done
}
frame_shown() { DISPLAY=$display xdotool search --onlyvisible --name "^$product\$" >/dev/null 2>&1; }
frame_gone() { ! frame_shown; }
host_ended() { ! kill -0 "$host_pid" 2>/dev/null; }
reg_value() { run reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
key_gone() { ! run reg query "$key" >/dev/null 2>&1; }
equals() { [ "$1" = "$2" ] || { echo "  expected [$2], got [$1]"; return 1; }; }

cleanup
[ -f "$setup" ] || { echo "no setup program at $setup"; exit 1; }

# The newer build lacks the Extras plug-in, as a later version may drop one.
start=$SECONDS
rm -rf "$build/installer-test/product"
mkdir -p "$build/installer-test"
cp -al "$build/product" "$build/installer-test/product"
rm -rf "$build/installer-test/product/plugins/Extras"
"$make_setup" "$build/installer-test/product" "$newer_setup" "$icon" "$newer" -DUNCOMPRESSED >/dev/null || exit 1
rm -rf "$build/installer-test/product"
echo "newer setup $newer built in $((SECONDS - start)) s"

start=$SECONDS
run "$(run winepath -w "$setup" | tr -d '\r')" /S "/D=$target"
check "silent install ends with 0" equals "$?" 0
echo "install took $((SECONDS - start)) s"
check "program, plug-ins and uninstaller installed" test -f "$dir/deskhost.exe" -a -f "$dir/plugins/Courier/libCourier.dll" \
  -a -f "$dir/plugins/Extras/libExtras.dll" -a -f "$dir/themes/common/alert.png" -a -f "$dir/Uninstall.exe"
check "shipped binaries carry no debug information" \
  test "$(stat -c %s "$dir/deskhost.exe")" -lt "$(stat -c %s "$build/product/deskhost.exe")"
check "Start-menu shortcut" test -f "$shortcut"
check "DisplayName" equals "$(reg_value DisplayName)" "$product"
check "DisplayVersion" equals "$(reg_value DisplayVersion)" "$version"
check "Publisher" equals "$(reg_value Publisher)" "Zorvane"
check "DisplayIcon" equals "$(reg_value DisplayIcon)" "$target\\deskhost.exe,0"
check "UninstallString" equals "$(reg_value UninstallString)" "\"$target\\Uninstall.exe\""
check "QuietUninstallString" equals "$(reg_value QuietUninstallString)" "\"$target\\Uninstall.exe\" /S"
size=$(($(reg_value EstimatedSize)))
check "EstimatedSize in KB near the folder's size" test "$size" -gt $(($(du -sk "$dir" | cut -f1) / 2))
log=$(iconv -f UTF-16 -t UTF-8 "$dir/Setup.log" 2>/dev/null | tr -d '\r')
echo "$log" | sed 's/^/  Setup.log: /'
check "Setup.log tells how the firewall rule went" grep -q "^Firewall rule " <<<"$log"

mkdir -p "$data" && echo kept >"$marker"
"$build/wine-run.sh" "$target\\deskhost.exe" </dev/null >/dev/null 2>&1 &
host_pid=$!
check "installed program shows its frame" wait_for 60 frame_shown

start=$SECONDS
run "$(run winepath -w "$newer_setup" | tr -d '\r')" /S "/D=$target"
check "silent upgrade over the running copy ends with 0" equals "$?" 0
echo "upgrade took $((SECONDS - start)) s"
check "running copy closed" wait_for 10 host_ended
check "its frame gone" frame_gone
host_pid=
check "upgraded version registered" equals "$(reg_value DisplayVersion)" "$newer"
check "program still installed" test -f "$dir/deskhost.exe" -a -f "$dir/Uninstall.exe" -a -f "$shortcut"
check "the plug-in the newer build dropped is gone" test ! -e "$dir/plugins/Extras"
check "user's data kept through the upgrade" test -f "$marker"

# QuietUninstallString is "PROGRAM" /S.
quiet=$(reg_value QuietUninstallString)
uninstaller=${quiet#\"}
uninstaller=${uninstaller%%\"*}
start=$SECONDS
run "$uninstaller" ${quiet##*\"}
# The uninstaller runs on from a copy in the temporary folder, so its end is the folder's.
check "silent uninstall removes the install folder" wait_for 60 test ! -e "$dir"
echo "uninstall took $((SECONDS - start)) s"
check "shortcut removed" test ! -e "$shortcut"
check "registration removed" key_gone
check "user's data kept by the silent uninstall" test -f "$marker"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all installer checks passed"
