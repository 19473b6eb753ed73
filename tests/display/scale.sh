#!/usr/bin/env bash
# The picture as a screen of the given size shows it, fullscreen (own Xvfb, openbox): the
# intro is stopped (SIGSTOP) while it plays, the screen taken, and the picture compared with the
# frames it captured, each scaled by exact area coverage (scaled_psnr). At a whole-number scale
# the screen must show that exactly (nearest-neighbour, pixel for pixel); at any other it must
# come within 42 dB of it (nearest-neighbour alone gives about 32, linear filtering 35), and
# the bars must be black. Xvfb's GL draws in software, so there the intro scales on the CPU by
# exact area coverage itself, and the picture must be that but for rounding: 60 dB. With
# KORVAN_SCALER=gpu the renderer scales it, as on a GPU (about 48 dB at 1920x1080).
#
# Usage: scale.sh KORVAN SCALED_PSNR WORK_DIR WIDTHxHEIGHT [KORVAN_OPTION...]. Exit 77 (skipped)
# without the X tools, unless CI=true, where a missing tool fails.
set -uo pipefail
korvan=$1 scaled_psnr=$2 size=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

require_tools Xvfb xdpyinfo openbox wmctrl xdotool import
session_start "$3"
shift 4
mkdir -p "$work/frames"
start_xvfb "${size}x24"
start_wm

spawn intro "$korvan" --capture "$work/frames" "$@"
intro=$spawned
settled() {
  running "$intro" || fail "the intro ended early: $(cat "$work/intro.log")"
  local window
  window=$(window_of korvan) && [ -n "$window" ] &&
    [ "$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')" = "$size" ] &&
    [ "$(frame_count "$work/frames")" -ge 20 ]
}
wait_for 60 "the intro fullscreen at $size, playing" settled
# A frame is shown before it is captured: the screen holds the last frame captured or the next,
# which the intro writes once it goes on.
kill -STOP "$intro"
captured=$(frame_count "$work/frames")
screenshot root "$work/screen.png" || fail "no screenshot of the screen"
kill -CONT "$intro"
wait_frames "$work/frames" 2
candidates=()
for n in $((captured - 1)) "$captured" $((captured + 1)); do
  candidates+=("$(printf '%s/frame-%06d.png' "$work/frames" "$n")")
done
result=$("$scaled_psnr" "$work/screen.png" "${candidates[@]}") || fail "$result (see $work/screen.png)"
echo "$size: $result"

width=${size%x*} height=${size#*x}
if [ $((width * 480 <= height * 640 ? width % 640 : height % 480)) -eq 0 ]; then
  [[ $result == identical* ]] || fail "at a whole-number scale the picture is not nearest-neighbour exactly"
else
  least=60
  [ "${KORVAN_SCALER:-}" = gpu ] && least=42
  awk -v db="${result%% *}" -v least=$least 'BEGIN { exit !(db + 0 >= least) }' ||
    fail "the picture is below $least dB against exact area coverage (see $work/screen.png)"
fi
