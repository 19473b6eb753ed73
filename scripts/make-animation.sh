#!/usr/bin/env bash
# Renders the looping animation at the top of README.md: the intro captured headless (frame n
# is always the same picture, so the file is the same on every machine with the same tools),
# every 4th frame of FIRST..LAST (25 pictures a second), scaled to 320x240 with ImageMagick
# and encoded as an animated WebP by img2webp (Debian's webp package).
# Usage: make-animation.sh PROGRAM OUTPUT.webp
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM OUTPUT.webp" >&2; exit 2; }
program=$1 output=$2
first=101 last=500 step=4
for tool in convert img2webp; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "animation: '$tool' is missing (make deps-release installs it)" >&2; exit 1; }
done

work=$(mktemp -d -t korvan-animation.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Headless, the credits box goes to standard output; it is not wanted here.
"$program" --headless --frames "$last" --capture "$work/frames" >/dev/null

pictures=()
for n in $(seq "$first" "$step" "$last"); do
  frame=$(printf 'frame-%06d.png' "$n")
  # -scale averages each 2x2 block: no filter ringing, and nothing that depends on the machine.
  convert "$work/frames/$frame" -scale 50% "PNG24:$work/$frame"
  pictures+=("$work/$frame")
done
# 40 ms a picture, looping forever; lossy at a quality that keeps the logo's edges clean.
if ! log=$(img2webp -loop 0 -lossy -q 80 -m 6 -d 40 "${pictures[@]}" -o "$output.tmp" 2>&1); then
  echo "$log" >&2; exit 1
fi
mv "$output.tmp" "$output"
echo "animation: $output, ${#pictures[@]} pictures, $(stat -c %s "$output") bytes"
