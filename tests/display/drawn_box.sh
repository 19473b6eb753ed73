#!/usr/bin/env bash
# The message box the intro draws itself (--drawn-boxes; on Wayland without zenity it is the
# only box there is), looked at on a bare X server: F1 after the first frame puts the about box
# over that frame, centred in the 640x480 window; the box is compared pixel for pixel with the
# expected picture (data/about_box.png) and its text read back by OCR. Return closes it and
# frames go on; Escape shows the credits box in a window of its own (the intro's is gone), it
# waits, and a click on its OK button ends the intro with exit code 0.
#
# Usage: drawn_box.sh KORVAN WORK_DIR. Exit 77 (skipped) without the X tools or tesseract,
# unless CI=true, where a missing tool fails.
set -uo pipefail
korvan=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
expected=$here/data/about_box.png

require_tools Xvfb xdpyinfo xdotool import convert compare identify tesseract
session_start "$2"
mkdir -p "$work/frames"
start_xvfb 1024x768x24

# Text OCR reads in a picture, on one line, scaled up as OCR likes it.
read_text() { convert "$1" -scale 200% "$work/ocr.png" && tesseract "$work/ocr.png" - 2>/dev/null | tr '\n' ' '; }
has_words() {
  local text=$1 word
  shift
  for word in "$@"; do
    [[ $text == *"$word"* ]] || return 1
  done
}

spawn intro "$korvan" --window --drawn-boxes --key 1:F1 --capture "$work/frames"
intro=$spawned
presented() {
  running "$intro" || fail "the intro ended early: $(cat "$work/intro.log")"
  [ "$(frame_count "$work/frames")" -ge "$1" ]
}

# The box is centred in the window; the expected picture gives its size.
size=$(identify -format '%w %h' "$expected") || fail "cannot read $expected"
read -r box_w box_h <<<"$size"
crop="${box_w}x${box_h}+$(((640 - box_w) / 2))+$(((480 - box_h) / 2))"
about_box_matches() {
  local intro_window
  intro_window=$(window_of korvan) && [ -n "$intro_window" ] &&
    screenshot "$intro_window" "$work/window.png" &&
    convert "$work/window.png" -crop "$crop" +repage "$work/about.png" &&
    [ "$(compare -metric AE "$expected" "$work/about.png" null: 2>&1)" = 0 ]
}
wait_for 60 "the about box as expected (see $work/about.png, $work/window.png)" about_box_matches
[ "$(frame_count "$work/frames")" -eq 1 ] ||
  fail "frames went on under the box ($(frame_count "$work/frames") presented)"
text=$(read_text "$work/about.png")
has_words "$text" CSurfaceWnd "DirectDraw usage" "Halvard Brenneke" "halvard@example.org" ||
  fail "the about box's text not read back: $text"
echo "about box as expected, text readable, frames stopped at 1"

xdotool mousemove --window "$(window_of korvan)" 20 20 key Return
wait_for 60 "frames to resume after Return" presented 5
echo "Return closed it: frames resumed"

xdotool key Escape
credits_window() {
  box=$(window_of korvan) && [ -n "$box" ] &&
    [ "$(xdotool getwindowgeometry "$box" | awk '/Geometry/ { print $2 }')" != 640x480 ]
}
box=""
wait_for 60 "the credits box in a window of its own after Escape" credits_window
# The window may be mapped a moment before its first picture is in it.
credits_readable() {
  screenshot "$box" "$work/credits.png" &&
    has_words "$(read_text "$work/credits.png")" "ILKA MARROWAY" "Tamsin Quell" "DirectDraw usage"
}
wait_for 60 "the credits box's text, read back (see $work/credits.png)" credits_readable
running "$intro" || fail "the intro ended before OK"
echo "Escape: credits box in its own window, readable, waiting"

# OK sits centred at the bottom of the box, above a 12-pixel margin and the 3-pixel frame.
size=$(identify -format '%w %h' "$work/credits.png")
read -r credits_w credits_h <<<"$size"
xdotool mousemove --window "$box" $((credits_w / 2)) $((credits_h - 3 - 12 - 13)) click 1
ended() { ! running "$intro"; }
wait_for 60 "a click on OK to close the credits box and end the intro" ended
reap "$intro"
leak_check_verdict intro
[ "$status" -eq 0 ] || fail "exit code $status: $(cat "$work/intro.log")"
! grep -q "Halvard Brenneke" "$work/intro.log" || fail "a box was printed instead of drawn"
echo "a click on OK closed it: exit code 0"
