#!/usr/bin/env bash
# Signals to the intro in a real X session (its own Xvfb and window manager): SIGTERM while it
# plays ends it promptly through its shutdown, the credits printed on standard output rather
# than shown in a box nobody may be there to close, status 143; SIGINT while the credits box of
# a window-manager close is up ends it at once, status 130. No frame file is left half written.
#
# Usage: signal.sh KORVAN WORK_DIR [OPTIONS...]. Exit 77 (skipped) without the X tools.
set -uo pipefail
korvan=$1 work=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"

for tool in Xvfb openbox wmctrl xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (Debian: xvfb openbox wmctrl xdotool)"
    exit 77
  fi
done

rm -rf "$work" && mkdir -p "$work" || exit 1
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
gone() { ! kill -0 "$1" 2>/dev/null; }
now_ms() { date +%s%3N; }

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display")
unset WAYLAND_DISPLAY SDL_VIDEO_X11_WMCLASS SDL_VIDEO_WAYLAND_WMCLASS SDL_VIDEODRIVER
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 wmctrl -m || fail "the window manager did not start"

# Starts the intro capturing into $work/$1 and waits for its third frame. A shell without job
# control starts background commands with SIGINT ignored: the default is given back.
start_intro() {
  frames=$work/$1
  env --default-signal=INT "$korvan" --capture "$frames" "${@:2}" >"$work/$1.stdout" 2>"$work/$1.stderr" &
  intro=$!
  pids+=($intro)
  wait_for 20 test -e "$frames/frame-000003.png" || fail "$1: no frames presented"
}
# Sends signal $2 and checks the intro ends with status $3, its credits printed, frames whole.
end_by_signal() {
  local name=$1 signal=$2 expected=$3 sent status
  sent=$(now_ms)
  kill -s "$signal" "$intro"
  wait_for 10 gone "$intro" || fail "$name: still running 10 s after SIG$signal"
  wait "$intro"
  status=$?
  [ "$status" -eq "$expected" ] || fail "$name: exit status $status, expected $expected"
  head -n 1 "$work/$name.stdout" | grep -qx '\[korvan\]' || fail "$name: no credits on standard output"
  [ -z "$(find "$frames" -name '*.tmp')" ] || fail "$name: a half-written frame was left"
  echo "$name: SIG$signal ended it with status $status after about $(($(now_ms) - sent)) ms"
}

start_intro playing "$@"
end_by_signal playing TERM 143
wmctrl -l | grep -q ' korvan$' && fail "a korvan window outlived the intro"

# The window manager's close shows the credits box, which waits for OK; a signal must not.
start_intro closing "$@"
intro_window=$(xdotool search --onlyvisible --name '^korvan$' | head -n 1)
[ -n "$intro_window" ] || fail "closing: no korvan window"
# The box is a window of its own with the same title; the window manager's list names it.
credits_box() {
  local id
  for id in $(wmctrl -l | awk '$NF == "korvan" { print $1 }'); do
    [ $((id)) -ne $((intro_window)) ] && return 0
  done
  return 1
}
wmctrl -i -c "$intro_window" || fail "wmctrl could not close the window"
wait_for 10 credits_box || fail "closing: no credits box after the window manager's close"
sent=$(now_ms)
kill -s INT "$intro"
wait_for 10 gone "$intro" || fail "closing: SIGINT did not end the intro while its credits box was up"
wait "$intro"
status=$?
[ "$status" -eq 130 ] || fail "closing: exit status $status, expected 130"
echo "closing: SIGINT with the credits box up ended it with status $status after about $(($(now_ms) - sent)) ms"
