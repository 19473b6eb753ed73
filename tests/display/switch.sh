#!/usr/bin/env bash
# Rapid Alt+Enter in a real X session (own Xvfb, openbox): presses 5 ms apart each switch
# between fullscreen and a window, none lost, and what shows after the last one is the picture
# laid out for the final size (black bars beside the 4:3 picture), not one left over from the
# size before.
#
# Usage: switch.sh KORVAN WORK_DIR. Exit 77 (skipped) without the X tools.
set -uo pipefail
korvan=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"

for tool in Xvfb openbox wmctrl xdotool xprop import convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (Debian: xvfb openbox wmctrl xdotool x11-utils imagemagick)"
    exit 77
  fi
done

rm -rf "$work" && mkdir -p "$work/frames" || exit 1
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

wait_for() {
  local limit=$1 i
  shift
  for ((i = 0; i < limit * 10; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
frames() { find "$work/frames" -name 'frame-*.png' | wc -l; }
frames_grow() { local a; a=$(frames); sleep 0.5; [ "$(frames)" -gt "$a" ]; }

# A 16:10 screen, so the fullscreen picture has bars: 1066x800 at x = 107.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display")
unset WAYLAND_DISPLAY SDL_VIDEO_X11_WMCLASS SDL_VIDEO_WAYLAND_WMCLASS SDL_VIDEODRIVER
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 wmctrl -m || fail "the window manager did not start"

"$korvan" --capture "$work/frames" >"$work/stdout" 2>"$work/stderr" &
intro=$!
pids+=($intro)
window=""
find_intro() { window=$(xdotool search --onlyvisible --name '^korvan$' | head -n 1) && [ -n "$window" ]; }
wait_for 20 find_intro || fail "no korvan window"
wait_for 10 frames_grow || fail "no frames presented"

is_fullscreen() { xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
geometry() { xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }'; }
brightest() { convert "$work/screen.png" -crop "$1" +repage -format '%[max]' info:; }
settled_windowed() { ! is_fullscreen && [ "$(geometry)" = 640x480 ]; }
settled_fullscreen() {
  is_fullscreen && [ "$(geometry)" = 1280x800 ] && import -window root "$work/screen.png" 2>/dev/null &&
    [ "$(brightest 107x800+0+0)" = 0 ] && [ "$(brightest 107x800+1173+0)" = 0 ] &&
    [ "$(brightest 1066x800+107+0)" != 0 ]
}
wait_for 20 settled_fullscreen || fail "the intro did not start fullscreen with black bars"

press() { xdotool windowactivate --sync "$window" key --delay 5 $(printf 'alt+Return %.0s' $(seq "$1")); }
press 5
wait_for 20 settled_windowed || fail "5 presses did not end in a window (geometry $(geometry))"
wait_for 10 frames_grow || fail "no frames in the window"
echo "5 presses: windowed 640x480, frames running"
press 3
wait_for 20 settled_fullscreen || fail "3 more presses did not end fullscreen with black bars (see $work/screen.png)"
wait_for 10 frames_grow || fail "no frames after switching back"
echo "3 more: fullscreen, picture between black bars, frames running"
