#!/usr/bin/env bash
# The program under conditions a user's machine can impose, each ending as the README says:
#   two-captures     a second capture into a folder a living one is writing is refused (2),
#                    its line naming that process, even with --replace-frames; once the
#                    first is killed, the folder is free again
#   invisible-video  SDL's video drivers that show nothing count as no display: one line,
#                    status 1, at once (not a credits box nobody can see)
#   out-of-memory    under any address-space limit the program either runs or says it ran
#                    out of memory in one line with status 1; never an abort
#
# Usage: hostile.sh KORVAN WORK_DIR CASE [sanitized]. Exit 77 (skipped): out-of-memory in a
# sanitizer build, whose shadow memory needs more address space than any limit allows.
set -uo pipefail
korvan=$1 work=$2 case=$3 build=${4:-}
fail() { echo "FAIL ($case): $*"; exit 1; }
rm -rf "$work" && mkdir -p "$work" || exit 1
cd "$work" || exit 1

case $case in
two-captures)
  env --default-signal=INT "$korvan" --headless --frames 100000 --capture frames >/dev/null 2>first.err &
  first=$!
  trap 'kill -KILL "$first" 2>/dev/null' EXIT
  for ((i = 0; i < 600; i++)); do
    [ -e frames/frame-000001.png ] && break
    sleep 0.1
  done
  [ -e frames/frame-000001.png ] || fail "the first capture wrote no frame: $(cat first.err)"
  "$korvan" --headless --frames 3 --capture frames --replace-frames >/dev/null 2>second.err
  status=$?
  [ "$status" -eq 2 ] || fail "second capture: exit status $status, expected 2; $(cat second.err)"
  grep -q "^korvan: capture folder frames is in use by another capture, process $first (korvan)" \
    second.err || fail "the refusal does not name process $first: $(cat second.err)"
  [ "$(wc -l <second.err)" -eq 1 ] || fail "more than one line: $(cat second.err)"
  kill -KILL "$first"
  wait "$first"
  # The system dropped the killed run's lock: the next run takes the folder.
  "$korvan" --headless --frames 3 --capture frames --replace-frames >/dev/null 2>third.err ||
    fail "after the first capture was killed the folder stayed refused: $(cat third.err)"
  echo "refused while process $first captured, free once it was killed"
  ;;
invisible-video)
  for driver in dummy offscreen evdev; do
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=$driver timeout 60 "$korvan" --frames 3 \
      >/dev/null 2>"$driver.err"
    status=$?
    [ "$status" -eq 1 ] || fail "SDL_VIDEODRIVER=$driver: exit status $status, expected 1"
    grep -q "^korvan: no display available (.*$driver.*); use --headless" "$driver.err" &&
      [ "$(wc -l <"$driver.err")" -eq 1 ] || fail "SDL_VIDEODRIVER=$driver: $(cat "$driver.err")"
  done
  echo "dummy, offscreen and evdev refused as no display"
  ;;
out-of-memory)
  [ "$build" = sanitized ] && { echo "skipped: a sanitizer build cannot run under ulimit -v"; exit 77; }
  # From the least address space the loader can map the program into, up in steps of
  # 128 KB until a run gets through whole: every limit fails in one place or another.
  limited() { (ulimit -v "$1" && exec "$korvan" "${@:2}") >out 2>err; }
  kb=4096
  while limited "$kb" --version; [ $? -eq 127 ]; do
    kb=$((kb + 1024))
    [ "$kb" -lt 262144 ] || fail "the program does not load even with 256 MB"
  done
  runs=0
  for ((; runs < 400; kb += 128, runs++)); do
    for args in "--version" "--headless --frames 3 --key 1:F1 --capture frames --replace-frames"; do
      # shellcheck disable=SC2086
      limited "$kb" $args
      status=$?
      [ "$status" -eq 0 ] && continue
      [ "$status" -eq 1 ] && [ "$(wc -l <err)" -eq 1 ] && grep -qi '^korvan: .*memory' err ||
        fail "ulimit -v $kb, korvan $args: exit status $status; $(head -c 300 err)"
    done
    [ "$status" -eq 0 ] && break
  done
  [ "$status" -eq 0 ] || fail "no run got through with up to $kb KB"
  echo "$runs limits up to $kb KB: each run either complete or one line, status 1"
  ;;
*)
  fail "unknown case"
  ;;
esac
