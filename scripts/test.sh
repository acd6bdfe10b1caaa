#!/usr/bin/env bash
# Builds everything that is stale, then runs every test: the Windows programs under
# Wine, and the portable code natively under AddressSanitizer and UBSan.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build.sh" || exit 1
native="$top/build/native"
if [ ! -f "$native/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$top/tests/native" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Debug || exit 1
fi
cmake --build "$native" || exit 1

status=0
echo "== native tests (ASan, UBSan) =="
ctest --test-dir "$native" --output-on-failure -j2 || status=1
echo "== fuzzers (bounded runs) =="
# Each runs over a copy of its corpus, so the repository is never written.
for fuzzer in FuzzVCard FuzzBackup FuzzMessageBackup FuzzMessageXml FuzzAdbReplies FuzzWifiSession FuzzMediaTags FuzzZip FuzzManifest FuzzEpub; do
  [ -x "$native/$fuzzer" ] || continue
  corpus="$native/fuzz/$fuzzer"
  rm -rf "$corpus" && mkdir -p "$corpus" && cp "$top/tests/fuzz/corpus/$fuzzer"/* "$corpus"/
  options=(-runs=20000 -max_total_time=30 -max_len=8192 -artifact_prefix="$native/fuzz/$fuzzer-")
  [ -f "$top/tests/fuzz/$fuzzer.dict" ] && options+=(-dict="$top/tests/fuzz/$fuzzer.dict")
  if "$native/$fuzzer" "${options[@]}" "$corpus" >"$native/fuzz/$fuzzer.log" 2>&1; then
    echo "$fuzzer: ok"
  else
    echo "$fuzzer: FAILED (see $native/fuzz/$fuzzer.log)"; tail -n 20 "$native/fuzz/$fuzzer.log"; status=1
  fi
done
echo "== Windows tests (Wine) =="
ctest --test-dir "$top/build/win" --output-on-failure || status=1
exit $status
