#!/usr/bin/env bash
# The intro on a real Wayland compositor: weston (x11 backend, pixman renderer) nested in the
# test's own Xvfb, the intro forced onto Wayland. Checks that the fullscreen window fills
# weston's output (black bars beside the 4:3 picture, none of weston's desktop showing), that
# frames run, that keys typed into weston's X window reach the intro, and that F1's about box
# and Escape's credits box show (drawn by the intro: SDL's only way to a box on Wayland is the
# zenity program) with frames stopped, the credits box waiting for OK, and exit code 0.
# Weston's headless backend cannot stand in: it offers no seat, and SDL 2.26 crashes without one.
#
# Usage: wayland.sh KORVAN WORK_DIR. Exit 77 (skipped) without weston or the X tools.
set -uo pipefail
korvan=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"

for tool in Xvfb weston xdotool import convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (Debian: xvfb weston xdotool imagemagick)"
    exit 77
  fi
done

rm -rf "$work" && mkdir -p "$work/frames" "$work/runtime" && chmod 700 "$work/runtime" || exit 1
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

# weston's output, and the picture letterboxed into it at 4:3.
out_w=1024 out_h=600
pic_w=$((out_h * 4 / 3)) pic_x=$(((out_w - out_h * 4 / 3) / 2))

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display") XDG_RUNTIME_DIR=$work/runtime
unset WAYLAND_DISPLAY SDL_VIDEO_X11_WMCLASS SDL_VIDEO_WAYLAND_WMCLASS
weston --backend=x11-backend.so --use-pixman --width=$out_w --height=$out_h \
  --socket=korvan-test --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
wait_for 20 test -S "$work/runtime/korvan-test" || fail "weston did not start: $(tail -n 3 "$work/weston.log")"
weston_window() { xdotool search --class weston | head -n 1; }
wait_for 20 weston_window || fail "no weston window on the X display"
output=$(weston_window)

# Without zenity the boxes are ours; where it is installed, ask for ours all the same.
box_option=()
command -v zenity >/dev/null 2>&1 && box_option=(--drawn-boxes)
# The intro sees Wayland only: no X display it could fall back to. Sanitizer builds: SDL 2.26's
# Wayland backend and libdecor keep blocks until exit that the leak checker reports without a
# frame of ours; our own leaks are checked by the X11 sessions and the unit suites.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
env -u DISPLAY WAYLAND_DISPLAY=korvan-test SDL_VIDEODRIVER=wayland \
  "$korvan" --capture "$work/frames" "${box_option[@]}" >"$work/stdout" 2>"$work/stderr" &
intro=$!
pids+=($intro)
wait_for 20 frames_grow || fail "no frames presented; stderr: $(cat "$work/stderr")"
echo "frames running on Wayland"

shot() { import -window "$output" "$work/$1.png" 2>/dev/null; }
# Largest channel value in a region of a screenshot (0: all black).
brightest() { convert "$work/$1.png" -crop "$2" +repage -format '%[max]' info:; }
fills_output() {
  shot filled && [ "$(brightest filled "${pic_x}x${out_h}+0+0")" = 0 ] &&
    [ "$(brightest filled "${pic_x}x${out_h}+$((pic_x + pic_w))+0")" = 0 ] &&
    [ "$(brightest filled "${pic_w}x${out_h}+${pic_x}+0")" != 0 ]
}
wait_for 20 fills_output || fail "the intro does not fill weston's output (see $work/filled.png)"
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
wait_for 20 box_up || fail "no about box after F1 (see $work/box.png)"
stopped=$(frames)
box_up || fail "the about box went away by itself"
[ "$(frames)" -eq "$stopped" ] || fail "frames went on under the about box ($stopped -> $(frames))"
echo "F1: about box up, frames stopped at $stopped"
xdotool key Return
wait_for 20 frames_grow || fail "frames did not resume after OK"
echo "OK: about box closed, frames resumed"

xdotool key Escape
wait_for 20 box_up || fail "no credits box after Escape (see $work/box.png)"
box_up && kill -0 "$intro" 2>/dev/null || fail "the credits box did not wait for OK"
echo "Escape: credits box up, waiting"
xdotool key Return
for ((i = 0; i < 100; i++)); do
  kill -0 "$intro" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$intro" 2>/dev/null && fail "the intro did not end after OK"
wait "$intro"
status=$?
[ "$status" -eq 0 ] || fail "exit code $status; stderr: $(cat "$work/stderr")"
[ ! -s "$work/stdout" ] || fail "a box was printed instead of shown: $(head -n 2 "$work/stdout")"
echo "credits closed: exit code 0"
