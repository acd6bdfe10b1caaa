#!/bin/sh
# Renders an SVG into a multi-size Windows icon: render-icon.sh SOURCE.svg OUT.ico
set -e
src=$1
out=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
files=""
for size in 256 128 64 48 32 24 20 16; do
  rsvg-convert -w $size -h $size "$src" -o "$tmp/$size.png"
  files="$files $tmp/$size.png"
done
/usr/bin/convert $files "$out"
