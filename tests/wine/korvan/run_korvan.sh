#!/usr/bin/env bash
# Drives korvan.exe under the Wine harness and checks what a viewer would see: relief and logo
# exactly as the native build renders some frame of the intro, the scroller in its colour, the
# F1 about box, frames running on after it, the credits box (caption "korvan": the only window
# of that name once the intro's own is gone) over the desktop, and exit code 0 after Return.
# Usage: run_korvan.sh WINE_RUN STATE_DIR SHOT_DIR KORVAN.exe FRAME_CHECK REFERENCE_LIST
set -uo pipefail
[ $# -eq 6 ] || {
  echo "usage: $0 WINE_RUN STATE_DIR SHOT_DIR KORVAN.exe FRAME_CHECK REFERENCE_LIST" >&2; exit 2; }
wine_run=$1 state=$2 shots=$3 program=$4 frame_check=$5 reference=$6
mkdir -p "$shots" && rm -f "$shots"/*.png

# Wine under Xvfb repaints a region some hundreds of milliseconds after a box opens or
# closes, hence the pauses before each screenshot. The reference list covers the first
# 1,000 frames (10 s at the timer's rate); the first screenshot comes well before that.
"$wine_run" --state "$state" --timeout 90 --expect-exit 0 \
  --step "window korvan" --step "sleep 1" --step "shot $shots/intro.png" \
  --step "focus korvan" --step "key F1" --step "focus CSurfaceWnd" --step "sleep 2" \
  --step "shot $shots/about.png" --step "key Return" --step "sleep 2" \
  --step "shot $shots/resumed.png" --step "focus korvan" --step "key Escape" --step "sleep 3" \
  --step "shot $shots/credits.png" --step "focus korvan" --step "key Return" \
  -- "$program" || exit 1

failures=0
fail() { echo "$*" >&2; failures=$((failures + 1)); }

# A pixel as three levels per channel: 1 full (> 200), 0 empty (< 56), ? between.
levels() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: |
    awk '{ for (i = 1; i <= 3; i++) printf "%s", ($i > 200 ? "1" : ($i < 56 ? "0" : "?")) }'
}

frame_of() { "$frame_check" find "$1" "$reference" | sed -n 's/^frame //p'; }

first=$(frame_of "$shots/intro.png")
[ -n "$first" ] || fail "intro.png: relief and logo are no frame the native build renders"
scroller=$("$frame_check" scroller "$shots/intro.png")
[ "${scroller:-0}" -ge 50 ] || fail "intro.png: only ${scroller:-0} pixels in the scroller's colour"

[ "$(levels "$shots/about.png" 320 240)" = 111 ] || fail "about.png: no box face at the centre"

later=$(frame_of "$shots/resumed.png")
if [ -z "$later" ]; then
  fail "resumed.png: no intro frame on screen after the about box"
elif [ -n "$first" ] && [ "$later" -le "$first" ]; then
  fail "resumed.png: frame $later does not follow frame $first"
fi

[ "$(levels "$shots/credits.png" 320 240)" = 111 ] || fail "credits.png: no box face at the centre"
[ "$(levels "$shots/credits.png" 10 10)" = 000 ] || fail "credits.png: the intro is still on screen"
"$frame_check" find "$shots/credits.png" "$reference" >/dev/null 2>&1 &&
  fail "credits.png: an intro frame is still on screen"

[ "$failures" -eq 0 ] || { echo "screenshots in $shots" >&2; exit 1; }
echo "intro frame $first (scroller: $scroller pixels), about box, frame $later after it," \
     "credits box, exit code 0"
