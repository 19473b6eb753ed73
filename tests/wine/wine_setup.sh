#!/usr/bin/env bash
# Starts the Wine harness in a state directory: an Xvfb server at 640x480x16 on a free display
# and a Wine prefix with a persistent wineserver. Usage: wine_setup.sh STATE_DIR
# The prefix is kept between runs (wineboot takes ~15 s) and rebuilt when Wine's version changes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=SCRIPTDIR/wine_env.sh
. "$here/wine_env.sh"

[ $# -eq 1 ] || { echo "usage: $0 STATE_DIR" >&2; exit 2; }
state_dir=$(mkdir -p "$1" && cd "$1" && pwd)
korvan_have_tools Xvfb xdpyinfo xdotool import convert identify timeout setsid || {
  echo "wine harness: not installed: $korvan_missing_tools; apt-get install" \
       "$korvan_missing_packages (make deps-wine does it)" >&2
  exit 1; }
korvan_wine_arch "$state_dir"
# A 32-bit Wine needs a machine that executes 32-bit programs, which not every one of a kind
# does; there the suite is not run, and says so (the program is still built and checked).
rm -f "$state_dir/not-run-here"
if [ "$KORVAN_WINE_ARCH" = win32 ]; then
  if ! why=$("$korvan_scripts_dir/machine-can.sh" run-i386); then
    echo "$why" >"$state_dir/not-run-here"
  elif ! korvan_find_wine 2>/dev/null; then
    echo "the 32-bit Wine is not installed (Debian's wine32:i386; make deps-wine32 reports why" \
         "it could not be)" >"$state_dir/not-run-here"
  fi
  korvan_exit_if_not_run_here "$state_dir"
fi
korvan_find_wine
korvan_find_wineserver

# A harness left over from an interrupted run is stopped first.
if [ -f "$state_dir/xvfb.pid" ]; then
  "$here/wine_stop.sh" "$state_dir" || true
fi

# Runs a Wine command with a time limit; its output goes to the harness log, because a
# process that keeps ctest's pipes open would make ctest wait for it.
wine_step() {
  limit=$1; shift
  if ! timeout -k 5 "$limit" "$@" </dev/null >>"$state_dir/wine-setup.log" 2>&1; then
    echo "wine harness: '$*' failed or timed out after ${limit}s; log: $state_dir/wine-setup.log" >&2
    tail -n 20 "$state_dir/wine-setup.log" >&2
    return 1
  fi
}

# The display lasts for the whole ctest run: its server gets a session of its own.
if ! korvan_start_xvfb --detach "$state_dir" 640x480x16; then
  echo "wine harness: $korvan_xvfb_error; its log:" >&2
  cat "$state_dir/xvfb.log" >&2
  exit 1
fi
echo "$DISPLAY" >"$state_dir/display"
korvan_load_state "$state_dir"
: >"$state_dir/wine-setup.log"

version="$("$WINE_LOADER_BIN" --version 2>/dev/null || echo unknown) $KORVAN_WINE_ARCH"
if [ "$(cat "$state_dir/prefix.stamp" 2>/dev/null)" != "$version" ]; then
  rm -rf "$WINEPREFIX" "$state_dir/prefix.stamp"
  echo "wine harness: creating the Wine prefix (takes a while the first time)"
  wine_step 300 "$WINE_LOADER_BIN" wineboot --init
  wine_step 60 "$WINESERVER_BIN" --wait
  echo "$version" >"$state_dir/prefix.stamp"
fi

# A persistent server: each test's Wine process attaches to it instead of starting its own,
# which is faster and leaves no server behind holding a test's output pipe.
setsid "$WINESERVER_BIN" --persistent </dev/null >>"$state_dir/wine-setup.log" 2>&1 || true
wine_step 60 "$WINE_LOADER_BIN" reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f
# A crashing test program must end, not wait on Wine's crash dialog.
wine_step 60 "$WINE_LOADER_BIN" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
echo "wine harness: display $DISPLAY, prefix $WINEPREFIX"
