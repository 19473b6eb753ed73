#!/usr/bin/env bash
# Signals to the intro in a real X session (its own Xvfb and window manager): SIGTERM while it
# plays ends it promptly through its shutdown, the credits printed rather than shown in a box
# nobody may be there to close, status 143, also with standard output closed (whose number the
# X connection must not take); SIGINT while the credits box of a window-manager close is up
# ends it at once, status 130, and the box with it. No frame file is left half written.
#
# Usage: signal.sh KORVAN WORK_DIR [OPTIONS...]. Exit 77 (skipped) without the X tools,
# unless CI=true, where a missing tool fails.
set -uo pipefail
korvan=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

require_tools Xvfb openbox wmctrl xdotool xdpyinfo
session_start "$2"
shift 2
start_xvfb 1024x768x24
start_wm

now_ms() { date +%s%3N; }
# The processes whose parent is $1.
children_of() {
  local proc stat fields
  for proc in /proc/[0-9]*; do
    read -r stat 2>/dev/null <"$proc/stat" || continue
    read -ra fields <<<"${stat##*) }"
    [ "${fields[1]}" = "$1" ] && echo "${proc#/proc/}"
  done
}
ended() { ! running "$intro"; }

# Starts the intro capturing into $work/$1 and waits for its third frame; with $close_stdout
# set, its standard output closed. A shell without job control starts background commands
# with SIGINT ignored, and the program keeps a signal its parent ignored: the default is given
# back.
start_intro() {
  name=$1 frames=$work/$1
  mkdir -p "$frames"
  spawn "$name" bash -c "exec \"\$@\" ${close_stdout:+>&-}" - env --default-signal=INT \
    "$korvan" --capture "$frames" "${@:2}"
  intro=$spawned
  presented() {
    running "$intro" || fail "$name: the intro ended early: $(cat "$work/$name.log")"
    [ "$(frame_count "$frames")" -ge 3 ]
  }
  wait_for 60 "$name: the intro to present three frames" presented
}

# Sends signal $1 and checks the intro ends with status $2, its credits printed, frames whole.
end_by_signal() {
  local signal=$1 expected=$2 sent
  sent=$(now_ms)
  kill -s "$signal" "$intro"
  wait_for 60 "$name: the intro to end after SIG$signal" ended
  reap "$intro"
  [ "$status" -eq "$expected" ] || fail "$name: exit status $status, expected $expected"
  [ -z "$(find "$frames" -name '*.tmp')" ] || fail "$name: a half-written frame was left"
  echo "$name: SIG$signal ended it with status $status after about $(($(now_ms) - sent)) ms"
}

start_intro playing "$@"
end_by_signal TERM 143
grep -qx '\[korvan\]' "$work/playing.log" || fail "playing: the credits were not printed"

close_stdout=1 start_intro stdout-closed "$@"
end_by_signal TERM 143
grep -q '^korvan: cannot write to standard output: Bad file descriptor' "$work/stdout-closed.log" ||
  fail "stdout-closed: the lost credits were not reported: $(cat "$work/stdout-closed.log")"

# The window manager's close shows the credits box, which waits for OK; a signal does not.
start_intro closing "$@"
intro_window=$(window_of korvan)
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
wait_for 60 "closing: the credits box after the window manager's close" credits_box
# SDL shows the system's box from a child process: it must not outlive the program.
children=$(children_of "$intro")
end_by_signal INT 130
gone() {
  local pid
  for pid in $children; do running "$pid" && return 1; done
  ! credits_box
}
wait_for 30 "closing: the credits box (processes: $children) to end with the program" gone
