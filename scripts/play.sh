#!/bin/sh
# What `make run` does after the build: plays the intro on the desktop, or, where there is no
# display to play it on, renders its first ten seconds headless into a folder as PNG frames.
# The intro draws one frame per 10 ms timer tick, so ten seconds are 1,000 frames.
#
# Usage: play.sh PROGRAM CAPTURE_DIR [OPTIONS...]   (OPTIONS go to the program when it plays)
set -u
program=$1 capture=$2
shift 2
frames=1000

render_headless() {
  echo "korvan: no display ($1); rendering the first 10 seconds headless into $capture/ instead"
  # Frames left from a longer run would look like part of this one: they are replaced.
  # Headless, the credits box is printed on standard output; nobody asked to read it here.
  "$program" --headless --frames "$frames" --capture "$capture" --replace-frames >/dev/null || exit $?
  last=$(printf 'frame-%06d.png' "$frames")
  echo "korvan: $frames frames written to $capture/frame-000001.png ... $capture/$last"
  exit 0
}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  render_headless "neither DISPLAY nor WAYLAND_DISPLAY is set"
fi

# The program says why when it finds no usable display; keep its words for that one line.
errors=$(mktemp -t korvan-run.XXXXXX) || exit 1
"$program" "$@" 2>"$errors"
status=$?
reason=$(sed -n 's/^korvan: no display available (\(.*\)); use --headless.*/\1/p' "$errors")
if [ "$status" -ne 0 ] && [ -n "$reason" ]; then
  rm -f "$errors"
  render_headless "$reason"
fi
cat "$errors" >&2
rm -f "$errors"
exit "$status"
