#!/usr/bin/env bash
# Runs the stripe program under the Wine harness, waits for a screenshot that shows the
# stripes, ends it with Escape: red, green, blue and white stripes, 160 pixels wide, over the
# whole 640x480 screen. Usage: run_pattern.sh WINE_RUN STATE_DIR SHOT PROGRAM.exe
# (run_pattern.sh --check SHOT checks one screenshot; the harness calls it until it passes).
set -uo pipefail

# Each channel as 1 (above 200), 0 (below 56) or ? (between): the 5-6-5 display widens its
# 5 or 6 bits to 8, so a full channel reads 248..255, never exactly the same on every server.
levels() {
  convert "$shot" -crop "1x1+$1+$2" +repage -depth 8 \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: |
    awk '{ for (i = 1; i <= 3; i++) printf "%s", ($i > 200 ? "1" : ($i < 56 ? "0" : "?")) }'
}

if [ "${1:-}" = --check ]; then
  shot=$2
  size=$(identify -format '%wx%h' "$shot")
  [ "$size" = "640x480" ] || { echo "screenshot is $size, expected 640x480"; exit 1; }
  failures=0
  stripes=(100 010 001 111)
  for i in 0 1 2 3; do
    for x in $((160 * i)) $((160 * i + 80)) $((160 * i + 159)); do
      for y in 0 240 479; do
        got=$(levels $x $y)
        if [ "$got" != "${stripes[$i]}" ]; then
          echo "($x,$y): stripe $i expected ${stripes[$i]}, got $got"
          failures=$((failures + 1))
        fi
      done
    done
  done
  exit $((failures > 0))
fi

[ $# -eq 4 ] || { echo "usage: $0 WINE_RUN STATE_DIR SHOT PROGRAM.exe" >&2; exit 2; }
wine_run=$1 state=$2 shot=$3 program=$4
rm -f "$shot"

"$wine_run" --state "$state" --timeout 60 --expect-exit 0 \
  --step "window korvan pattern" --step "await $shot $0 --check" \
  --step "focus korvan pattern" --step "key Escape" -- "$program" || exit $(($? == 77 ? 77 : 1))
echo "stripes on screen as flipped"
