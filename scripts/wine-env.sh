#!/usr/bin/env bash
# Brings up (start) or tears down (stop) the virtual display and the persistent
# wineserver that the tests and the headless run share.
#   wine-env.sh start|stop BUILD_DIR [DISPLAY]
set -u
cmd=$1
build=$(cd "$2" && pwd)
display=${3:-${ZS_DISPLAY:-:91}}
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
num=${display#:}

start() {
  # Test copies of the product from earlier runs (about 100 MB each) would pile up.
  rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/zs-product-* 2>/dev/null || true
  if ! xdpyinfo -display "$display" >/dev/null 2>&1 && [ ! -e "/tmp/.X11-unix/X$num" ]; then
    rm -f "/tmp/.X$num-lock"
    setsid Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$num" ] && break; sleep 0.1; done
  fi
  # The server must run before wineboot so every later program finds it.
  setsid wineserver -p </dev/null >/dev/null 2>&1 &
  sleep 0.2
  if [ ! -f "$WINEPREFIX/.zs-ready" ]; then
    DISPLAY="$display" wineboot -i </dev/null >/dev/null 2>&1
    # Wine's own fonts are not loaded from the system folder on this Debian build.
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # Let Wine draw its own window frames, so screenshots look like Windows.
    DISPLAY="$display" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
    DISPLAY="$display" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wineserver -w
    setsid wineserver -p </dev/null >/dev/null 2>&1 &
    sleep 0.2
    touch "$WINEPREFIX/.zs-ready"
  fi
  fonts_version=1
  if [ "$(cat "$WINEPREFIX/.zs-fonts" 2>/dev/null)" != "$fonts_version" ]; then
    link_fonts
    echo "$fonts_version" >"$WINEPREFIX/.zs-fonts"
  fi
  # Start Wine's own services now, detached: started later by a test program they
  # would inherit its output pipes and keep ctest waiting until they end.
  DISPLAY="$display" setsid wine wineboot </dev/null >/dev/null 2>&1
}

# A Windows PC draws every script in "Arial": its Arial carries Hebrew, and GDI links it to
# the system's fonts for the rest (SystemLink). The prefix gets the same: Arial is the
# metric twin Liberation Sans 2 (with Hebrew), linked to Debian's Noto fonts for Arabic,
# Devanagari, Vietnamese and Chinese / Japanese / Korean.
link_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
  for f in /usr/share/fonts/truetype/liberation2/LiberationSans-{Regular,Bold,Italic,BoldItalic}.ttf \
           /usr/share/fonts/truetype/noto/NotoSans{,Arabic,Hebrew,Devanagari}-{Regular,Bold}.ttf \
           /usr/share/fonts/opentype/noto/NotoSansCJK-{Regular,Bold}.ttc; do
    [ -f "$f" ] && ln -sf "$f" "$fonts/"
  done
  local links='NotoSans-Regular.ttf,Noto Sans\0NotoSansArabic-Regular.ttf,Noto Sans Arabic\0NotoSansHebrew-Regular.ttf,Noto Sans Hebrew\0NotoSansDevanagari-Regular.ttf,Noto Sans Devanagari\0NotoSansCJK-Regular.ttc,Noto Sans CJK SC'
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' face
  # Wine looks links up by the name of the face it picked, so the Liberation names link too.
  for face in Arial 'Arial Bold' 'Liberation Sans' 'Liberation Sans Bold'; do
    DISPLAY="$display" wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d "$links" /f </dev/null >/dev/null 2>&1
  done
  DISPLAY="$display" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
    </dev/null >/dev/null 2>&1
}

stop() {
  wineserver -k 2>/dev/null || true
  pkill -f "Xvfb $display " 2>/dev/null || true
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: wine-env.sh start|stop BUILD_DIR [DISPLAY]" >&2; exit 2 ;;
esac
exit 0
