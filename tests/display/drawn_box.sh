#!/usr/bin/env bash
# The message box the intro draws itself (--drawn-boxes; on Wayland without zenity it is the
# only box there is), looked at on a bare X server: F1 after the first frame puts the about box
# over that frame, centred in the 640x480 window; the box is compared pixel for pixel with the
# expected picture (data/about_box.png) and its text read back by OCR. Return closes it and
# frames go on; Escape shows the credits box in a window of its own (the intro's is gone), it
# waits, and a click on its OK button ends the intro with exit code 0.
#
# Usage: drawn_box.sh KORVAN WORK_DIR. Exit 77 (skipped) without the X tools or tesseract.
set -uo pipefail
korvan=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"
expected=$here/data/about_box.png

for tool in Xvfb xdotool import convert compare tesseract; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (Debian: xvfb xdotool imagemagick tesseract-ocr)"
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
window_of() { xdotool search --onlyvisible --name "^$1\$" | head -n 1; }
# Text OCR reads in a screenshot, on one line, scaled up as OCR likes it.
read_text() { convert "$1" -scale 200% "$work/ocr.png" && tesseract "$work/ocr.png" - 2>/dev/null | tr '\n' ' '; }
has_words() {
  local text=$1 word
  shift
  for word in "$@"; do
    [[ $text == *"$word"* ]] || { echo "FAIL: '$word' not read in the box: $text"; return 1; }
  done
}

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display")
unset WAYLAND_DISPLAY SDL_VIDEO_X11_WMCLASS SDL_VIDEO_WAYLAND_WMCLASS SDL_VIDEODRIVER

"$korvan" --window --drawn-boxes --key 1:F1 --capture "$work/frames" >"$work/stdout" 2>"$work/stderr" &
intro=$!
pids+=($intro)

# The box is centred in the window; the expected picture gives its size.
size=$(identify -format '%w %h' "$expected") || fail "cannot read $expected"
read -r box_w box_h <<<"$size"
crop="${box_w}x${box_h}+$(((640 - box_w) / 2))+$(((480 - box_h) / 2))"
about_box_matches() {
  local window
  window=$(window_of korvan) && import -window "$window" "$work/window.png" 2>/dev/null &&
    convert "$work/window.png" -crop "$crop" +repage "$work/about.png" &&
    [ "$(compare -metric AE "$expected" "$work/about.png" null: 2>&1)" = 0 ]
}
wait_for 20 about_box_matches ||
  fail "the about box differs from $expected (see $work/about.png, $work/window.png)"
[ "$(frames)" -eq 1 ] || fail "frames went on under the box ($(frames) presented)"
has_words "$(read_text "$work/about.png")" CSurfaceWnd "DirectDraw usage" "Halvard Brenneke" \
  "halvard@example.org" || exit 1
echo "about box as expected, text readable, frames stopped at 1"

xdotool mousemove --window "$(window_of korvan)" 20 20 key Return
wait_for 20 frames_grow || fail "frames did not resume after Return"
echo "Return closed it: frames resumed"

xdotool key Escape
credits_window() {
  local window
  window=$(window_of korvan) && [ "$(xdotool getwindowgeometry "$window" | grep -o '[0-9]*x[0-9]*$')" != 640x480 ] &&
    echo "$window"
}
wait_for 20 credits_window || fail "no credits box in a window of its own after Escape"
box=$(credits_window)
import -window "$box" "$work/credits.png" 2>/dev/null
has_words "$(read_text "$work/credits.png")" "ILKA MARROWAY" "Tamsin Quell" "DirectDraw usage" || exit 1
kill -0 "$intro" 2>/dev/null || fail "the intro ended before OK"
echo "Escape: credits box in its own window, readable, waiting"

# OK sits centred at the bottom of the box, above a 12-pixel margin and the 3-pixel frame.
read -r credits_w credits_h < <(identify -format '%w %h' "$work/credits.png")
xdotool mousemove --window "$box" $((credits_w / 2)) $((credits_h - 3 - 12 - 13)) click 1
for ((i = 0; i < 100; i++)); do
  kill -0 "$intro" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$intro" 2>/dev/null && fail "a click on OK did not close the credits box"
wait "$intro"
status=$?
[ "$status" -eq 0 ] || fail "exit code $status; stderr: $(cat "$work/stderr")"
[ ! -s "$work/stdout" ] || fail "a box was printed instead of drawn: $(head -n 2 "$work/stdout")"
echo "a click on OK closed it: exit code 0"
