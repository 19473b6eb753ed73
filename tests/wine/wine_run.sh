#!/usr/bin/env bash
# Runs one Windows program under the Wine harness (see wine_setup.sh), optionally drives it
# with xdotool and takes screenshots, and returns its exit code. A program that does not end
# within the time limit is killed and the run fails with exit code 124; it never hangs.
#
# Usage: wine_run.sh --state DIR [--timeout SECONDS] [--expect-exit CODE] [--step STEP]...
#                    -- PROGRAM.exe [ARGUMENTS...]
# Steps run in order while the program runs:
#   window NAME    wait until a visible window whose title matches NAME exists
#   focus NAME     give the keyboard focus to that window
#   key KEY...     send key strokes (xdotool names: Escape, F1, Return, alt+Return, ...)
#   shot FILE      save a screenshot of the whole display as FILE (PNG)
#   await FILE CHECK...  take screenshots as FILE until the command CHECK... FILE succeeds
#                  (the screen shows what the test expects); until the time limit, after which
#                  the run fails with what CHECK said about the last screenshot
# Every step waits for its condition within the program's time limit; none waits a fixed time.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=SCRIPTDIR/wine_env.sh
. "$here/wine_env.sh"

state_dir="" limit=60 expect="" steps=()
while [ $# -gt 0 ]; do
  case "$1" in
    --state) state_dir=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    --expect-exit) expect=$2; shift 2 ;;
    --step) steps+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "wine_run: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$state_dir" ] && [ $# -ge 1 ] || {
  echo "usage: $0 --state DIR [options] -- PROGRAM.exe [ARGS...]" >&2; exit 2; }
korvan_exit_if_not_run_here "$state_dir"
korvan_load_state "$state_dir" || exit 1
korvan_find_wine || exit 1
program=$1; shift
[ -f "$program" ] || { echo "wine_run: no such program: $program" >&2; exit 1; }

# The program's output goes through a file: Wine may start helper processes (explorer.exe for
# the desktop window) that would otherwise inherit ctest's pipe and keep it waiting.
log=$(mktemp -t wine-run.XXXXXX)
trap 'rm -f "$log"' EXIT
"$WINE_LOADER_BIN" "$program" "$@" </dev/null >"$log" 2>&1 &
pid=$!
deadline=$(( $(date +%s) + limit ))

alive() { kill -0 "$pid" 2>/dev/null; }
remaining() { echo $(( deadline - $(date +%s) )); }

fail() {
  echo "wine_run: $*" >&2
  if alive; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 1 100); do alive || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  cat "$log"
  exit 124
}

wait_window() {
  while [ "$(remaining)" -gt 0 ]; do
    alive || fail "$program ended before a window named '$1' appeared"
    if xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; then return 0; fi
    sleep 0.2
  done
  fail "no window named '$1' appeared within ${limit}s"
}

await_screen() {
  local file=$1 said
  shift
  while [ "$(remaining)" -gt 0 ]; do
    alive || fail "$program ended before the screen showed what $(basename "$1") ${*:2} expects"
    if import -window root "$file" 2>/dev/null; then
      said=$("$@" "$file" 2>&1) && return 0
    fi
    sleep 0.2
  done
  fail "gave up after ${limit}s waiting for the screen $(basename "$1") ${*:2} expects;" \
       "last screenshot $file: ${said:-none taken}"
}

for step in "${steps[@]}"; do
  verb=${step%% *}; arg=${step#* }
  case "$verb" in
    window) wait_window "$arg" ;;
    focus)  wait_window "$arg"
            xdotool search --onlyvisible --name "$arg" windowfocus --sync >/dev/null 2>&1 ||
              fail "could not focus the window '$arg'" ;;
    key)    # shellcheck disable=SC2086
            xdotool key --delay 100 $arg || fail "xdotool key $arg failed" ;;
    shot)   import -window root "$arg" || fail "screenshot to $arg failed" ;;
    await)  await_screen "${arg%% *}" ${arg#* } ;;
    *)      fail "unknown step '$step'" ;;
  esac
done

while alive; do
  [ "$(remaining)" -gt 0 ] || fail "$program did not exit within ${limit}s; killed"
  sleep 0.1
done
wait "$pid"
code=$?
cat "$log"
if [ -n "$expect" ]; then
  [ "$code" -eq "$expect" ] && exit 0
  echo "wine_run: $program exited with $code, expected $expect" >&2
  exit 1
fi
exit "$code"
