#!/usr/bin/env bash
# Rapid Alt+Enter in a real X session (own Xvfb, openbox): presses 5 ms apart each switch
# between fullscreen and a window, none lost, and what shows after the last one is the picture
# laid out for the final size (black bars beside the 4:3 picture), not one left over from the
# size before.
#
# Usage: switch.sh KORVAN WORK_DIR. Exit 77 (skipped) without the X tools, unless CI=true,
# where a missing tool fails.
set -uo pipefail
korvan=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

require_tools Xvfb xdpyinfo openbox wmctrl xdotool xprop import convert
session_start "$2"
mkdir -p "$work/frames"
# A 16:10 screen, so the fullscreen picture has bars: 1066x800 at x = 107.
start_xvfb 1280x800x24
start_wm

spawn intro "$korvan" --capture "$work/frames"
intro=$spawned
presented() {
  running "$intro" || fail "the intro ended early: $(cat "$work/intro.log")"
  [ "$(frame_count "$work/frames")" -ge "$1" ]
}
wait_for 60 "the intro to present its first frame" presented 1
wait_window korvan

is_fullscreen() { xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
geometry() { xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }'; }
brightest() { convert "$work/screen.png" -crop "$1" +repage -format '%[max]' info:; }
settled_windowed() { ! is_fullscreen && [ "$(geometry)" = 640x480 ]; }
settled_fullscreen() {
  is_fullscreen && [ "$(geometry)" = 1280x800 ] && import -window root "$work/screen.png" 2>/dev/null &&
    [ "$(brightest 107x800+0+0)" = 0 ] && [ "$(brightest 107x800+1173+0)" = 0 ] &&
    [ "$(brightest 1066x800+107+0)" != 0 ]
}
wait_for 60 "the intro fullscreen with black bars" settled_fullscreen

press() { xdotool windowactivate --sync "$window" key --delay 5 $(printf 'alt+Return %.0s' $(seq "$1")); }
press 5
wait_for 60 "5 presses to end in a 640x480 window" settled_windowed
wait_for 60 "frames in the window" presented $(($(frame_count "$work/frames") + 5))
echo "5 presses: windowed 640x480, frames running"
press 3
wait_for 60 "3 more presses to end fullscreen with black bars (see $work/screen.png)" settled_fullscreen
wait_for 60 "frames after switching back" presented $(($(frame_count "$work/frames") + 5))
echo "3 more: fullscreen, picture between black bars, frames running"
