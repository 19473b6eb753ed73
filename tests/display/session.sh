#!/usr/bin/env bash
# The intro in a real X session: its own Xvfb with a window manager (openbox). Checks the window
# class desktops match against the .desktop entry, that frames stop while another window has
# the focus and come back when the intro has it again (the lost primary restored), and that
# closing the window from the window manager ends the intro with the credits box.
# Frames are counted through --capture, one file per presented frame.
#
# Usage: session.sh KORVAN WORK_DIR [OPTIONS...]. Exit 77 (skipped) without the X tools,
# unless CI=true, where a missing tool fails.
set -uo pipefail
korvan=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

require_tools Xvfb openbox wmctrl xdotool xprop xdpyinfo xmessage
session_start "$2"
shift 2
mkdir -p "$work/frames"
start_xvfb 1024x768x24
start_wm

spawn intro "$korvan" --capture "$work/frames" "$@"
intro=$spawned
# Every wait below also stops at once, with its output, when the intro has ended.
presented() {
  running "$intro" || fail "the intro ended early: $(cat "$work/intro.log")"
  [ "$(frame_count "$work/frames")" -ge "$1" ]
}
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(($1))" ]; }
activate() {
  running "$intro" || fail "the intro ended early: $(cat "$work/intro.log")"
  active_is "$1" || xdotool windowactivate "$1" >/dev/null 2>&1
  active_is "$1"
}

# SDL may replace its first window when the renderer wants another visual; the window it
# presents in is final once the first frame is out, so the class is read from that one.
wait_for 60 "the intro to present its first frame" presented 1
find_intro() {
  intro_window=$(window_of korvan)
  [ -n "$intro_window" ] && class=$(xprop -id "$intro_window" WM_CLASS 2>/dev/null) &&
    [ "$class" = 'WM_CLASS(STRING) = "korvan", "korvan"' ]
}
class=""
poll 60 find_intro || fail "no korvan window with class korvan (last seen: ${class:-none})"
wait_for 60 "frames to follow the first one" presented 5
echo "window class korvan; frames running"

spawn other xmessage -name other "another window"
wait_window other
wait_for 60 "the other window to take the focus" activate "$window"
# Stopped means no frame for a whole second; a running intro presents one every 10 ms.
frames_still() {
  local before
  before=$(frame_count "$work/frames")
  sleep 1
  [ "$(frame_count "$work/frames")" -eq "$before" ]
}
wait_for 60 "frames to stop while another window has the focus" frames_still
stopped=$(frame_count "$work/frames")
echo "focus lost: frames stopped at $stopped"

wait_for 60 "the intro to take the focus back" activate "$intro_window"
wait_for 60 "frames to come back with the focus" presented $((stopped + 5))
echo "focus back: frames resumed ($stopped -> $(frame_count "$work/frames"))"

# The box is a window of its own with the same title; the window manager's list names it.
credits_box() {
  local id
  for id in $(wmctrl -l | awk '$NF == "korvan" { print $1 }'); do
    [ $((id)) -ne $((intro_window)) ] && box=$id && return 0
  done
  return 1
}
wmctrl -i -c "$intro_window" || fail "wmctrl could not close the window"
wait_for 60 "the credits box after closing the window" credits_box
echo "closed by the window manager: credits box up"
wait_for 60 "the credits box to take the focus" activate "$box"
xdotool key Return || fail "xdotool could not press Return"
ended() { ! running "$intro"; }
wait_for 60 "the intro to end after Return on the credits box" ended
reap "$intro"
leak_check_verdict intro
[ "$status" -eq 0 ] || fail "exit code $status; output: $(cat "$work/intro.log")"
echo "credits closed: exit code 0"
