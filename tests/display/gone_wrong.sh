#!/usr/bin/env bash
# When the display goes wrong, the intro ends with one line; it never hangs, crashes or plays
# a run that nobody can see:
#  - an 8-bit X server, where SDL finds no renderer: "no display available", status 1, nothing
#    captured;
#  - no window manager: the intro takes the keyboard itself (the pointer is elsewhere), and the
#    credits box is its own drawn one, which Return closes: status 0;
#  - the X server killed as the window comes up (Mesa's GLX crashed in such runs, reading a
#    reply the dead server never sent) or while frames play: "the display went away", status 1;
#  - the Wayland compositor killed while frames play: the same, not a credits box waiting on the
#    dead connection.
#
# Usage: gone_wrong.sh KORVAN WORK_DIR. Exit 77 (skipped) without the X tools or weston, unless
# CI=true, where a missing tool fails.
set -uo pipefail
korvan=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

require_tools Xvfb xdpyinfo xdotool weston
session_start "$2"
ended() { ! running "$intro"; }
# Waits for the intro to end by itself and checks its status and the line it gave.
expect_end() {
  local name=$1 expected=$2 line=$3
  wait_for 60 "$name: the intro to end" ended
  reap "$intro"
  [ "$status" -eq "$expected" ] || fail "$name: exit status $status, expected $expected: $(cat "$work/$name.log")"
  [ -z "$line" ] || grep -q "^korvan: $line" "$work/$name.log" ||
    fail "$name: no line 'korvan: $line...': $(cat "$work/$name.log")"
}
frames_reach() {
  running "$intro" || fail "$name: the intro ended early: $(cat "$work/$name.log")"
  [ "$(frame_count "$work/$name")" -ge "$1" ]
}

name=8-bit
start_xvfb 1024x768x8
mkdir -p "$work/$name"
spawn "$name" "$korvan" --frames 60 --capture "$work/$name"
intro=$spawned
expect_end "$name" 1 "no display available ("
[ "$(frame_count "$work/$name")" -eq 0 ] || fail "$name: frames were captured on a display that shows none"
echo "$name: no display available, status 1"
korvan_stop_xvfb "$work"

name=no-window-manager
start_xvfb 1024x768x24
mkdir -p "$work/$name"
xdotool mousemove 0 0
spawn "$name" "$korvan" --window --capture "$work/$name"
intro=$spawned
wait_for 60 "$name: frames" frames_reach 3
xdotool key Escape
# The credits box is a window of its own (the intro's is gone), not 640x480.
box_up() {
  local box
  box=$(window_of korvan) && [ -n "$box" ] &&
    [ "$(xdotool getwindowgeometry "$box" | awk '/Geometry/ { print $2 }')" != 640x480 ]
}
wait_for 60 "$name: the credits box after Escape" box_up
xdotool key Return
expect_end "$name" 0 ""
! grep -q "Halvard Brenneke" "$work/$name.log" || fail "$name: the credits were printed, not shown"
echo "$name: the keyboard reached the intro and its credits box"

# The server killed as soon as the window is there (SDL makes the renderer next), then once
# while frames play.
for try in 1 2 3 4 5 6; do
  name=x-killed-$try
  start_xvfb 1024x768x24
  mkdir -p "$work/$name"
  spawn "$name" "$korvan" --window --capture "$work/$name"
  intro=$spawned
  if [ "$try" -lt 6 ]; then
    window_up() { ended || [ -n "$(xdotool search --name '^korvan$' 2>/dev/null)" ]; }
    wait_for 60 "$name: the window" window_up
  else
    wait_for 60 "$name: frames" frames_reach 3
  fi
  kill -KILL "$korvan_xvfb_pid"
  { wait "$korvan_xvfb_pid"; } 2>/dev/null
  expect_end "$name" 1 "the display went away (lost the connection to the X server"
done
echo "x-killed: status 1 and one line every time, as the window came up and while playing"

start_xvfb 1280x800x24
spawn weston weston --backend=x11-backend.so --use-pixman --width=800 --height=600 \
  --socket=korvan-gone --idle-time=0
weston=$spawned
wait_for 60 "weston's socket" test -S "$XDG_RUNTIME_DIR/korvan-gone"
export LSAN_OPTIONS="$LSAN_OPTIONS:suppressions=$here/lsan-wayland.supp"
name=wayland-killed
mkdir -p "$work/$name"
spawn "$name" env -u DISPLAY WAYLAND_DISPLAY=korvan-gone SDL_VIDEODRIVER=wayland \
  "$korvan" --capture "$work/$name"
intro=$spawned
wait_for 60 "$name: frames" frames_reach 3
kill "$weston"
expect_end "$name" 1 "the display went away (lost the connection to the Wayland compositor"
[ -z "$(find "$work/$name" -name '*.tmp')" ] || fail "$name: a half-written frame was left"
echo "$name: status 1 and one line"
