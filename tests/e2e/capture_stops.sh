#!/usr/bin/env bash
# A headless capture that does not get to its end: stopped by a signal, or by a disk that
# fills up, or by a file-size limit (ulimit -f, whose SIGXFSZ would kill it mid-frame). Either
# way every frame-*.png left must decode completely, no temporary file may remain, the credits
# still come out on standard output, and the exit status says what happened (128 + n for
# signal n; 1 and one line naming the file and the reason for the disk and the limit).
#
# Usage: capture_stops.sh KORVAN FRAME_CHECK WORK_DIR CREDITS (HUP|INT|TERM|full-disk|file-size)
# The full-disk case mounts a 2 MB tmpfs in a mount namespace of its own (unshare); where that
# is not allowed it is skipped (exit 77). The unit suite covers the same through an injected
# write fault, which runs everywhere.
set -uo pipefail
korvan=$1 frame_check=$2 work=$3 credits=$4 case=$5
fail() { echo "FAIL ($case): $*"; exit 1; }

if [ "$case" = full-disk ] && [ -z "${KORVAN_IN_NAMESPACE:-}" ]; then
  if ! unshare -rm true 2>/dev/null; then
    echo "skipped: no mount namespace here (unshare -rm is not allowed)"
    exit 77
  fi
  exec env KORVAN_IN_NAMESPACE=1 unshare -rm "$0" "$@"
fi

rm -rf "$work" && mkdir -p "$work/disk" || exit 1
frames=$work/disk/frames
if [ "$case" = full-disk ]; then
  if ! mount -t tmpfs -o size=2m korvan-test "$work/disk"; then
    echo "skipped: no tmpfs can be mounted here"
    exit 77
  fi
  trap 'umount "$work/disk"' EXIT
  # 2 MB hold about twenty frames; the run asks for fifty times as many.
  "$korvan" --headless --frames 1000 --capture "$frames" >"$work/stdout" 2>"$work/stderr"
  status=$?
  [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
  grep -q "^korvan: cannot write $frames/frame-[0-9]*\.png: No space left on device" "$work/stderr" ||
    fail "no line naming the frame and the reason; stderr: $(cat "$work/stderr")"
elif [ "$case" = file-size ]; then
  # 50 KB: less than any frame. The shell's limit applies to the program alone.
  (ulimit -f 50 && exec env --default-signal=XFSZ "$korvan" --headless --frames 10 \
    --capture "$frames") >"$work/stdout" 2>"$work/stderr"
  status=$?
  [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
  grep -q "^korvan: cannot write $frames/frame-000001\.png: File too large" "$work/stderr" ||
    fail "no line naming the frame and the reason; stderr: $(cat "$work/stderr")"
else
  # A shell without job control starts background commands with SIGINT ignored, and the
  # program rightly keeps a signal its parent chose to ignore: give it the default back.
  # Far more frames than a run gets through before the signal; the limit keeps one that
  # ignores it from filling the disk.
  env --default-signal="$case" "$korvan" --headless --frames 5000 --capture "$frames" \
    >"$work/stdout" 2>"$work/stderr" &
  pid=$!
  trap 'kill -KILL "$pid" 2>/dev/null' EXIT
  for ((i = 0; i < 600; i++)); do
    [ -e "$frames/frame-000003.png" ] && break
    sleep 0.1
  done
  [ -e "$frames/frame-000003.png" ] || fail "no frames captured"
  kill -s "$case" "$pid"
  wait "$pid"
  status=$?
  expected=$((128 + $(kill -l "$case")))
  [ "$status" -eq "$expected" ] || fail "exit status $status, expected $expected"
fi

cmp -s "$work/stdout" "$credits" || fail "the credits were not printed (got $work/stdout)"
leftovers=$(find "$frames" -type f ! -name 'frame-*.png')
[ -z "$leftovers" ] || fail "files left besides the frames: $leftovers"
count=0
shopt -s nullglob  # a file-size limit leaves no frame at all
for png in "$frames"/frame-*.png; do
  "$frame_check" rgb "$png" >/dev/null || fail "$png does not decode completely"
  count=$((count + 1))
done
last=$(printf 'frame-%06d.png' "$count")
[ "$count" -gt 0 ] && [ -e "$frames/$last" ] || [ "$case" = file-size ] ||
  fail "the frames are not 1..$count"
echo "$case: exit status $status, $count whole frames, nothing else left"
