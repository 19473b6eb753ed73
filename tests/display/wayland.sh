#!/usr/bin/env bash
# The intro on a real Wayland compositor: weston (x11 backend, pixman renderer) nested in the
# test's own Xvfb, the intro forced onto Wayland. Checks that the fullscreen window fills
# weston's output (black bars beside the 4:3 picture, none of weston's desktop showing), that
# frames run, that keys typed into weston's X window reach the intro, and that F1's about box
# and Escape's credits box show (drawn by the intro: SDL's only way to a box on Wayland is the
# zenity program) with frames stopped, the credits box waiting for OK, and exit code 0.
# Weston's headless backend cannot stand in: it offers no seat, and SDL 2.26 crashes without one.
#
# Usage: wayland.sh KORVAN WORK_DIR. Exit 77 (skipped) without weston or the X tools, unless
# CI=true, where a missing tool fails.
set -uo pipefail
korvan=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

require_tools Xvfb xdpyinfo weston xdotool import convert
session_start "$2"
mkdir -p "$work/frames"
# weston's output, and the picture letterboxed into it at 4:3.
out_w=1024 out_h=600
pic_w=$((out_h * 4 / 3)) pic_x=$(((out_w - out_h * 4 / 3) / 2))
start_xvfb 1280x800x24

spawn weston weston --backend=x11-backend.so --use-pixman --width=$out_w --height=$out_h \
  --socket=korvan-test --idle-time=0
weston=$spawned
weston_up() {
  running "$weston" || fail "weston ended at start: $(tail -n 5 "$work/weston.log")"
  [ -S "$XDG_RUNTIME_DIR/korvan-test" ] && output=$(xdotool search --class weston | head -n 1) &&
    [ -n "$output" ]
}
output=""
wait_for 60 "weston's socket and its window on $DISPLAY" weston_up

# Without zenity the boxes are ours; where it is installed, ask for ours all the same.
box_option=()
command -v zenity >/dev/null 2>&1 && box_option=(--drawn-boxes)
# The intro sees Wayland only: no X display it could fall back to. Sanitizer builds: what SDL's
# Wayland backend leaves behind is suppressed by library (see the file); the check stays on.
export LSAN_OPTIONS="$LSAN_OPTIONS:suppressions=$here/lsan-wayland.supp"
spawn intro env -u DISPLAY WAYLAND_DISPLAY=korvan-test SDL_VIDEODRIVER=wayland \
  "$korvan" --capture "$work/frames" "${box_option[@]}"
intro=$spawned
presented() {
  running "$intro" || fail "the intro ended early: $(cat "$work/intro.log")"
  [ "$(frame_count "$work/frames")" -ge "$1" ]
}
wait_for 60 "frames on Wayland" presented 5
echo "frames running on Wayland"

shot() { screenshot "$output" "$work/$1.png"; }
# Largest channel value in a region of a screenshot (0: all black).
brightest() { convert "$work/$1.png" -crop "$2" +repage -format '%[max]' info:; }
fills_output() {
  shot filled && [ "$(brightest filled "${pic_x}x${out_h}+0+0")" = 0 ] &&
    [ "$(brightest filled "${pic_x}x${out_h}+$((pic_x + pic_w))+0")" = 0 ] &&
    [ "$(brightest filled "${pic_w}x${out_h}+${pic_x}+0")" != 0 ]
}
wait_for 60 "the intro to fill weston's output (see $work/filled.png)" fills_output
echo "the window fills weston's output: ${pic_w}x${out_h} picture between black bars"

# A drawn box shows its caption bar in pure navy, a colour no 16-bit picture of the intro holds.
box_up() {
  shot box &&
    [ "$(convert "$work/box.png" -fill black +opaque '#000080' -fill white -opaque '#000080' \
      -format '%[fx:mean*w*h]' info:)" -gt 1000 ]
}
# Keys typed into weston's X window go to the window under the pointer (no X window manager).
xdotool mousemove --window "$output" $((out_w / 2)) $((out_h - 10))
xdotool key F1
wait_for 60 "the about box after F1 (see $work/box.png)" box_up
stopped=$(frame_count "$work/frames")
box_up || fail "the about box went away by itself"
[ "$(frame_count "$work/frames")" -eq "$stopped" ] ||
  fail "frames went on under the about box ($stopped -> $(frame_count "$work/frames"))"
echo "F1: about box up, frames stopped at $stopped"
xdotool key Return
wait_for 60 "frames to resume after OK" presented $((stopped + 5))
echo "OK: about box closed, frames resumed"

xdotool key Escape
wait_for 60 "the credits box after Escape (see $work/box.png)" box_up
box_up && running "$intro" || fail "the credits box did not wait for OK"
echo "Escape: credits box up, waiting"
xdotool key Return
ended() { ! running "$intro"; }
wait_for 60 "the intro to end after OK" ended
reap "$intro"
leak_check_verdict intro
[ "$status" -eq 0 ] || fail "exit code $status: $(cat "$work/intro.log")"
! grep -q "Halvard Brenneke" "$work/intro.log" || fail "a box was printed instead of shown"
echo "credits closed: exit code 0"
