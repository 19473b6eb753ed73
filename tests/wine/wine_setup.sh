#!/usr/bin/env bash
# Starts the Wine harness in a state directory: an Xvfb server at 640x480x16 on a free display
# and a Wine prefix with a persistent wineserver. Usage: wine_setup.sh STATE_DIR
# The prefix is kept between runs (wineboot takes ~15 s) and rebuilt when Wine's version changes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

[ $# -eq 1 ] || { echo "usage: $0 STATE_DIR" >&2; exit 2; }
state_dir=$(mkdir -p "$1" && cd "$1" && pwd)
for tool in Xvfb xdpyinfo xdotool import convert identify timeout setsid; do
  command -v "$tool" >/dev/null 2>&1 || {
    case "$tool" in
      Xvfb) package=xvfb ;; xdpyinfo) package=x11-utils ;; xdotool) package=xdotool ;;
      import | convert | identify) package=imagemagick ;; setsid) package=util-linux ;;
      *) package=coreutils ;;
    esac
    echo "wine harness: '$tool' is missing: apt-get install $package (make deps-wine does it)" >&2
    exit 1; }
done
korvan_wine_arch "$state_dir"
# A 32-bit Wine needs a machine that executes 32-bit programs, which not every one of a kind
# does; there the suite is not run, and says so (the program is still built and checked).
rm -f "$state_dir/not-run-here"
if [ "$KORVAN_WINE_ARCH" = win32 ]; then
  if ! why=$("$here/../../scripts/machine-can.sh" run-i386); then
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

start_xvfb() {
  # -displayfd lets the server pick a display number that is free; nothing can race us for it.
  # It writes the number and then a newline once it listens; -noreset keeps it from resetting
  # (and dropping whoever connects meanwhile) each time its last client leaves.
  rm -f "$state_dir/display.fd"
  setsid Xvfb -displayfd 3 -screen 0 640x480x16 -nolisten tcp -noreset \
    3>"$state_dir/display.fd" </dev/null >"$state_dir/xvfb.log" 2>&1 &
  local pid=$! deadline=$((SECONDS + 60)) what="report its display number"
  echo "$pid" >"$state_dir/xvfb.pid"
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ -d "/proc/$pid" ] && [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" != Z ] || break
    if [ -z "${DISPLAY_NUMBER:-}" ]; then
      if [ "$(tail -c 1 "$state_dir/display.fd" | od -An -c | tr -d ' ')" = '\n' ]; then
        DISPLAY_NUMBER=$(tr -d '[:space:]' <"$state_dir/display.fd")
        what="accept connections on :$DISPLAY_NUMBER"
      fi
    elif DISPLAY=":$DISPLAY_NUMBER" xdpyinfo >/dev/null 2>&1; then
      echo ":$DISPLAY_NUMBER" >"$state_dir/display"
      return 0
    fi
    sleep 0.1
  done
  echo "wine harness: Xvfb did not $what; its log:" >&2
  cat "$state_dir/xvfb.log" >&2
  return 1
}

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

start_xvfb
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
