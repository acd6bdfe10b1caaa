#!/usr/bin/env bash
# Runs a test program under Wine and makes the mouse and keyboard input it asks for with
# xdotool on the virtual display (see XInput.h).
#   xinput-driver.sh DISPLAY WINE_RUN PROGRAM [ARGS...]
set -u
display=$1
shift
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
export ZS_XINPUT_DIR="Z:$(printf '%s' "$folder" | tr / '\\')"
export DISPLAY_OVERRIDE=$display
"$@" &
program=$!
done_number=""
while kill -0 "$program" 2>/dev/null; do
  if [ -f "$folder/request" ]; then
    read -r number command < "$folder/request"
    if [ -n "$number" ] && [ "$number" != "$done_number" ]; then
      # With no window manager nobody gives a clicked window the keyboard: before each press the
      # window under the pointer gets it, as it would under a window manager. Done only when it
      # changes, since Wine moves the focus to the top-level window when it gets the keyboard.
      set -- $command
      if [ "$1" = mousemove ]; then
        DISPLAY=$display xdotool mousemove "$2" "$3"
        shift 3
      fi
      window=$(DISPLAY=$display xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p')
      if [ -n "$window" ] && [ "$window" != "$(DISPLAY=$display xdotool getwindowfocus 2>/dev/null)" ]; then
        DISPLAY=$display xdotool windowfocus --sync "$window" 2>/dev/null
        sleep 0.1
      fi
      [ $# -gt 0 ] && DISPLAY=$display xdotool "$@"
      printf '%s\n' "$number" > "$folder/ack.tmp" && mv "$folder/ack.tmp" "$folder/ack"
      done_number=$number
    fi
  fi
  sleep 0.02
done
wait "$program"
