#!/usr/bin/env bash
# Builds the setup program from the product folder, unless it is newer than every file of
# the product and of this folder.
#   make-setup.sh PRODUCT_DIR OUT_EXE ICON VERSION [makensis options...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
product=$(cd "$1" && pwd)
mkdir -p "$(dirname "$2")"
out=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
icon=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
version=$4
shift 4

if [ -f "$out" ] && [ -z "$(find "$product" "$here" "$icon" -newer "$out" -print -quit)" ]; then
  exit 0
fi
[ -f "$product/deskhost.exe" ] || { echo "make-setup: no deskhost.exe in $product" >&2; exit 1; }

work=${out%.exe}.work
rm -rf "$work"
mkdir -p "$work"
stage=$work/stage
cp -a "$product" "$stage"
# The debug information stays in the build tree; shipped, it would make the download ten
# times larger.
find "$stage" -type f \( -iname '*.exe' -o -iname '*.dll' \) -exec i686-w64-mingw32-strip --strip-debug {} +

# The uninstaller removes exactly what was staged: files first, then folders deepest first.
{
  (cd "$stage" && find . -type f | LC_ALL=C sort) | while IFS= read -r f; do
    f=${f#./}
    printf 'Delete "$INSTDIR\\%s"\n' "$(printf '%s' "${f//\//\\}" | sed 's/\$/$$/g')"
  done
  (cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while IFS= read -r d; do
    d=${d#./}
    printf 'RMDir "$INSTDIR\\%s"\n' "$(printf '%s' "${d//\//\\}" | sed 's/\$/$$/g')"
  done
} >"$work/uninstall-files.nsh"

# The wizard's side picture: the logo on the product's green.
rsvg-convert -w 112 -h 112 "$here/../host/res/logo.svg" -o "$work/logo.png"
/usr/bin/convert -size 164x314 xc:'#F2F8F5' "$work/logo.png" -geometry +26+48 -composite \
  -type TrueColor BMP3:"$work/wizard.bmp"

options=(-V2 -DVERSION="$version" -DSTAGE="$stage" -DUNINSTALL_LIST="$work/uninstall-files.nsh"
         -DICON="$icon" -DWIZARD_BITMAP="$work/wizard.bmp" -DOUTFILE="$out.part")
for name in LICENSE LICENSE.txt LICENSE.md COPYING; do
  if [ -f "$here/../$name" ]; then
    options+=(-DLICENSE_FILE="$(cd "$here/.." && pwd)/$name")
    break
  fi
done
makensis "${options[@]}" "$@" "$here/Setup.nsi"
mv -f "$out.part" "$out"
rm -rf "$stage"
echo "make-setup: built $out"
