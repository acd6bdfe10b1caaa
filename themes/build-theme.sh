#!/usr/bin/env bash
# Renders the theme images listed in images.txt into OUTPUT_DIR, one sub-folder per
# backslash of the program's paths (common\close-normal.png -> OUTPUT_DIR/common/close-normal.png).
# Needs python3, rsvg-convert (librsvg2-bin) and ImageMagick 6 at /usr/bin/convert.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUTPUT_DIR" >&2
  exit 2
fi
export PYTHONDONTWRITEBYTECODE=1  # keep the source tree clean
here=$(cd "$(dirname "$0")" && pwd)
exec "${PYTHON:-python3}" "$here/src/theme.py" "$here/images.txt" "$1"
