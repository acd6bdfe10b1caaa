#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and builds libpng and
# libqrencode for the 32-bit Windows target from Debian's source packages.
# Safe to run again: it installs, downloads and rebuilds only what is missing.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$top/build/deps"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages=(
  g++-mingw-w64-i686 mingw-w64-i686-dev libz-mingw-w64-dev
  wine wine32:i386 xvfb xauth fonts-liberation
  nlohmann-json3-dev googletest cmake ninja-build
  imagemagick librsvg2-bin x11-utils zbar-tools python3-vobject clang libclang-rt-14-dev
  xdotool fonts-liberation2 fonts-noto-core fonts-noto-cjk adb
  dpkg-dev python3 nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Source tarballs of libpng and qrencode, fetched through a private apt state so
# the system's own lists stay untouched.
src="$deps/src"
mkdir -p "$src"
have_tarballs() {
  compgen -G "$src/libpng1.6_*.orig.tar.*" >/dev/null && compgen -G "$src/qrencode_*.orig.tar.*" >/dev/null
}
if ! have_tarballs; then
  apt_dir="$deps/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  uri=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  [ -n "$uri" ] || uri="http://deb.debian.org/debian"
  key=$(awk '/^Signed-By:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  [ -n "$key" ] || key=/usr/share/keyrings/debian-archive-keyring.gpg
  printf 'deb-src [signed-by=%s] %s bookworm main\n' "$key" "$uri" >"$apt_dir/sources.list"
  opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" update -q
  # qrencode's debian tarball may be missing on the mirror; only the orig tarballs matter.
  (cd "$src" && apt-get "${opts[@]}" source --download-only libpng1.6 qrencode) || true
  have_tarballs || { echo "setup: could not fetch the libpng / qrencode sources" >&2; exit 1; }
fi

# Static target builds of both libraries, installed into build/deps/prefix.
prefix="$deps/prefix"
stamp="$prefix/.built"
if [ ! -f "$stamp" ]; then
  rm -rf "$deps/work" "$prefix"
  mkdir -p "$deps/work"
  for t in "$src"/libpng1.6_*.orig.tar.* "$src"/qrencode_*.orig.tar.*; do
    tar -xf "$t" -C "$deps/work"
  done
  tc="$top/cmake/mingw32-toolchain.cmake"
  png_dir=$(find "$deps/work" -maxdepth 1 -type d -name 'libpng-*' | head -1)
  qr_dir=$(find "$deps/work" -maxdepth 1 -type d -name 'qrencode-*' | head -1)
  cmake -S "$png_dir" -B "$deps/work/png-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$tc" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF >/dev/null
  cmake --build "$deps/work/png-build" >/dev/null
  cmake --install "$deps/work/png-build" >/dev/null
  cmake -S "$qr_dir" -B "$deps/work/qr-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$tc" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DWITH_TOOLS=OFF -DBUILD_SHARED_LIBS=OFF -DWITH_TESTS=OFF -Wno-dev >/dev/null
  cmake --build "$deps/work/qr-build" >/dev/null
  cmake --install "$deps/work/qr-build" >/dev/null
  touch "$stamp"
  echo "setup: built libpng and libqrencode for the target"
fi
