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
echo "== Windows tests (Wine) =="
ctest --test-dir "$top/build/win" --output-on-failure || status=1
exit $status
