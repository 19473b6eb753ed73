#!/usr/bin/env bash
# The intro in a real X session: its own Xvfb with a window manager (openbox). Checks the window
# class desktops match against the .desktop entry, that frames stop while another window has
# the focus and come back when the intro has it again (the lost primary restored), and that
# closing the window from the window manager ends the intro with the credits box.
# Frames are counted through --capture, one file per presented frame.
#
# Usage: session.sh KORVAN WORK_DIR [OPTIONS...]. Exit 77 (skipped) without the X tools.
set -uo pipefail
korvan=$1 work=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
# Sanitizer builds: what libraries under SDL keep until exit is not a leak of the intro's.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"

for tool in Xvfb openbox wmctrl xdotool xprop xmessage; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (Debian: xvfb openbox wmctrl xdotool x11-utils)"
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

# Waits up to $1 seconds for the command after it to succeed.
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
window_of() { xdotool search --onlyvisible --name "^$1\$" | head -n 1; }
frames_grow() { local a; a=$(frames); sleep 0.5; [ "$(frames)" -gt "$a" ]; }

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display")
unset WAYLAND_DISPLAY SDL_VIDEO_X11_WMCLASS SDL_VIDEO_WAYLAND_WMCLASS SDL_VIDEODRIVER
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 wmctrl -m || fail "the window manager did not start"

"$korvan" --capture "$work/frames" "$@" >"$work/stdout" 2>"$work/stderr" &
intro=$!
pids+=($intro)
# A fullscreen window may be mapped again as it takes the screen; wait until it holds still.
# SDL may also replace the window when its renderer needs another visual, so the class is read
# from whichever window holds the title at the moment.
find_intro() {
  intro_window=$(window_of korvan)
  [ -n "$intro_window" ] && class=$(xprop -id "$intro_window" WM_CLASS 2>/dev/null) &&
    [ "$class" = 'WM_CLASS(STRING) = "korvan", "korvan"' ]
}
class=""
wait_for 20 find_intro || fail "no korvan window with class korvan (last seen: ${class:-none})"
wait_for 10 frames_grow || fail "no frames presented"
echo "window class korvan; frames running"

xmessage -name other "another window" >/dev/null 2>&1 &
pids+=($!)
wait_for 10 window_of other || fail "the other window did not show"
xdotool windowactivate --sync "$(window_of other)"
sleep 0.5
stopped=$(frames)
sleep 1
[ "$(frames)" -eq "$stopped" ] || fail "frames went on without the focus ($stopped -> $(frames))"
echo "focus lost: frames stopped at $stopped"

wait_for 10 xdotool windowactivate --sync "$intro_window" || fail "cannot give the intro the focus"
wait_for 10 frames_grow || fail "frames did not come back with the focus"
echo "focus back: frames resumed ($stopped -> $(frames))"

# The box is a window of its own with the same title; the window manager's list names it.
credits_box() {
  local id
  for id in $(wmctrl -l | awk '$NF == "korvan" { print $1 }'); do
    [ $((id)) -ne $((intro_window)) ] && echo "$id" && return 0
  done
  return 1
}
wmctrl -i -c "$intro_window" || fail "wmctrl could not close the window"
wait_for 10 credits_box || fail "no credits box after closing"
echo "closed by the window manager: credits box up"
xdotool windowactivate --sync "$(credits_box)" key Return
for ((i = 0; i < 100; i++)); do
  kill -0 "$intro" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$intro" 2>/dev/null && fail "the intro did not end after the credits box"
wait "$intro"
status=$?
[ "$status" -eq 0 ] || fail "exit code $status; stderr: $(cat "$work/stderr")"
echo "credits closed: exit code 0"
