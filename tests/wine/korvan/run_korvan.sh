#!/usr/bin/env bash
# Drives korvan.exe under the Wine harness and checks what a viewer would see: relief and logo
# exactly as the native build renders some frame of the intro, the scroller in its colour, the
# F1 about box, frames running on after it, the credits box (caption "korvan": the only window
# of that name once the intro's own is gone) over the desktop, and exit code 0 after Return.
# Usage: run_korvan.sh WINE_RUN STATE_DIR SHOT_DIR KORVAN.exe FRAME_CHECK REFERENCE_LIST
# (run_korvan.sh --check WHAT FRAME_CHECK REFERENCE_LIST SHOT checks one screenshot; the
# harness takes screenshots until the check passes, since Wine under Xvfb repaints some time
# after a box opens or closes.) The reference list covers the first 1,000 frames (10 s at the
# timer's rate).
set -uo pipefail

# A pixel as three levels per channel: 1 full (> 200), 0 empty (< 56), ? between.
levels() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: |
    awk '{ for (i = 1; i <= 3; i++) printf "%s", ($i > 200 ? "1" : ($i < 56 ? "0" : "?")) }'
}

if [ "${1:-}" = --check ]; then
  what=$2 frame_check=$3 reference=$4 shot=$5
  frame_of() { "$frame_check" find "$1" "$reference" | sed -n 's/^frame //p'; }
  case "$what" in
    intro)
      [ -n "$(frame_of "$shot")" ] ||
        { echo "relief and logo are no frame the native build renders"; exit 1; }
      scroller=$("$frame_check" scroller "$shot")
      [ "${scroller:-0}" -ge 50 ] ||
        { echo "only ${scroller:-0} pixels in the scroller's colour"; exit 1; } ;;
    about)
      [ "$(levels "$shot" 320 240)" = 111 ] || { echo "no box face at the centre"; exit 1; } ;;
    resumed)
      first=$(frame_of "$(dirname "$shot")/intro.png")
      later=$(frame_of "$shot")
      [ -n "$later" ] || { echo "no intro frame on screen after the about box"; exit 1; }
      [ "$later" -gt "$first" ] || { echo "frame $later does not follow frame $first"; exit 1; } ;;
    credits)
      [ "$(levels "$shot" 320 240)" = 111 ] || { echo "no box face at the centre"; exit 1; }
      [ "$(levels "$shot" 10 10)" = 000 ] || { echo "the intro is still on screen"; exit 1; }
      if "$frame_check" find "$shot" "$reference" >/dev/null 2>&1; then
        echo "an intro frame is still on screen"; exit 1
      fi ;;
    *) echo "unknown check $what"; exit 2 ;;
  esac
  exit 0
fi

[ $# -eq 6 ] || {
  echo "usage: $0 WINE_RUN STATE_DIR SHOT_DIR KORVAN.exe FRAME_CHECK REFERENCE_LIST" >&2; exit 2; }
wine_run=$1 state=$2 shots=$3 program=$4 frame_check=$5 reference=$6
mkdir -p "$shots" && rm -f "$shots"/*.png
check="$0 --check"

"$wine_run" --state "$state" --timeout 90 --expect-exit 0 \
  --step "window korvan" --step "await $shots/intro.png $check intro $frame_check $reference" \
  --step "focus korvan" --step "key F1" --step "focus CSurfaceWnd" \
  --step "await $shots/about.png $check about $frame_check $reference" --step "key Return" \
  --step "await $shots/resumed.png $check resumed $frame_check $reference" \
  --step "focus korvan" --step "key Escape" \
  --step "await $shots/credits.png $check credits $frame_check $reference" \
  --step "focus korvan" --step "key Return" \
  -- "$program" || {  # 77: this Wine cannot run here, and wine_run.sh said why
  code=$?; [ "$code" -eq 77 ] || echo "screenshots in $shots" >&2; exit $((code == 77 ? 77 : 1)); }

frame_of() { "$frame_check" find "$1" "$reference" | sed -n 's/^frame //p'; }
echo "intro frame $(frame_of "$shots/intro.png") (scroller: $("$frame_check" scroller \
  "$shots/intro.png") pixels), about box, frame $(frame_of "$shots/resumed.png") after it," \
  "credits box, exit code 0"
