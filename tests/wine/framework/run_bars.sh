#!/usr/bin/env bash
# Drives the colour-bar window under the Wine harness and checks the screenshots: the bars on
# screen, the F1 about box over them, frames back after it, the credits box over the desktop
# after Escape, and exit code 0 once that box is closed.
# Usage: run_bars.sh WINE_RUN STATE_DIR SHOT_DIR PROGRAM.exe
# (run_bars.sh --check WHAT SHOT checks one screenshot; the harness takes screenshots until
# the check passes, since Wine under Xvfb repaints some time after a box opens or closes.)
set -uo pipefail

# A pixel as three levels: 1 for a full channel, 0 for an empty one, ? for anything between
# (the 16-bit display widens 5 or 6 bits to 8, so "full" is any value above 200).
levels() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: |
    awk '{ for (i = 1; i <= 3; i++) printf "%s", ($i > 200 ? "1" : ($i < 56 ? "0" : "?")) }'
}

failures=0
expect() {  # FILE X Y LEVELS WHAT
  got=$(levels "$1" "$2" "$3")
  if [ "$got" != "$4" ]; then
    echo "$(basename "$1") ($2,$3): $5 expected $4, got $got"
    failures=$((failures + 1))
  fi
}

if [ "${1:-}" = --check ]; then
  shot=$3
  case "$2" in
    bars)
      bars=(111 110 011 010 101 100 001 000)  # white, yellow, cyan, green, magenta, red, blue, black
      for i in "${!bars[@]}"; do
        for y in 20 240 460; do
          expect "$shot" $((40 + 80 * i)) $y "${bars[$i]}" "bar $i"
        done
      done ;;
    about)
      expect "$shot" 320 240 111 "the about box's light face"
      expect "$shot" 40 20 111 "the white bar around the box" ;;
    resumed)
      expect "$shot" 320 240 101 "the magenta bar redrawn where the box was" ;;
    credits)
      expect "$shot" 320 240 111 "the credits box's light face"
      expect "$shot" 40 20 000 "the desktop, no bars left" ;;
    *) echo "unknown check $2"; exit 2 ;;
  esac
  exit $((failures > 0))
fi

[ $# -eq 4 ] || { echo "usage: $0 WINE_RUN STATE_DIR SHOT_DIR PROGRAM.exe" >&2; exit 2; }
wine_run=$1 state=$2 shots=$3 program=$4
title="korvan bars"
mkdir -p "$shots" && rm -f "$shots"/*.png

"$wine_run" --state "$state" --timeout 90 --expect-exit 0 \
  --step "window $title" --step "await $shots/bars.png $0 --check bars" \
  --step "focus $title" --step "key F1" --step "focus CSurfaceWnd" \
  --step "await $shots/about.png $0 --check about" --step "key Return" \
  --step "await $shots/resumed.png $0 --check resumed" --step "focus $title" --step "key Escape" \
  --step "await $shots/credits.png $0 --check credits" --step "focus $title" --step "key Return" \
  -- "$program" || {  # 77: this Wine cannot run here, and wine_run.sh said why
  code=$?; [ "$code" -eq 77 ] || echo "screenshots in $shots" >&2; exit $((code == 77 ? 77 : 1)); }
echo "bars, about box, resumed frames and credits box as expected"
