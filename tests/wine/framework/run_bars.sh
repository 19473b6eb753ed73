#!/usr/bin/env bash
# Drives the colour-bar window under the Wine harness and checks the screenshots: the bars on
# screen, the F1 about box over them, frames back after it, the credits box over the desktop
# after Escape, and exit code 0 once that box is closed.
# Usage: run_bars.sh WINE_RUN STATE_DIR SHOT_DIR PROGRAM.exe
set -uo pipefail
[ $# -eq 4 ] || { echo "usage: $0 WINE_RUN STATE_DIR SHOT_DIR PROGRAM.exe" >&2; exit 2; }
wine_run=$1 state=$2 shots=$3 program=$4
title="korvan bars"
mkdir -p "$shots" && rm -f "$shots"/*.png

# Wine under Xvfb repaints a region some hundreds of milliseconds after a box opens or
# closes, hence the pauses before each screenshot.
"$wine_run" --state "$state" --timeout 90 --expect-exit 0 \
  --step "window $title" --step "sleep 2" --step "shot $shots/bars.png" \
  --step "focus $title" --step "key F1" --step "focus CSurfaceWnd" --step "sleep 3" \
  --step "shot $shots/about.png" --step "key Return" --step "sleep 3" \
  --step "shot $shots/resumed.png" --step "focus $title" --step "key Escape" --step "sleep 3" \
  --step "shot $shots/credits.png" --step "focus $title" --step "key Return" \
  -- "$program" || exit 1

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
    echo "$(basename "$1") ($2,$3): $5 expected $4, got $got" >&2
    failures=$((failures + 1))
  fi
}

bars=(111 110 011 010 101 100 001 000)  # white, yellow, cyan, green, magenta, red, blue, black
for i in "${!bars[@]}"; do
  for y in 20 240 460; do
    expect "$shots/bars.png" $((40 + 80 * i)) $y "${bars[$i]}" "bar $i"
  done
done
expect "$shots/about.png" 320 240 111 "the about box's light face"
expect "$shots/about.png" 40 20 111 "the white bar around the box"
expect "$shots/resumed.png" 320 240 101 "the magenta bar redrawn where the box was"
expect "$shots/credits.png" 320 240 111 "the credits box's light face"
expect "$shots/credits.png" 40 20 000 "the desktop, no bars left"
[ "$failures" -eq 0 ] || { echo "screenshots in $shots" >&2; exit 1; }
echo "bars, about box, resumed frames and credits box as expected"
