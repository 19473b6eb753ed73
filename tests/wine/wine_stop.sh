#!/usr/bin/env bash
# Stops the Wine harness of a state directory: ends the prefix's wineserver (and with it any
# Wine process left running) and the Xvfb server. The prefix stays for the next run.
# Usage: wine_stop.sh STATE_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"

[ $# -eq 1 ] || { echo "usage: $0 STATE_DIR" >&2; exit 2; }
state_dir=$1
[ -d "$state_dir" ] || exit 0

if [ -d "$state_dir/prefix" ] && korvan_find_wineserver; then
  korvan_wine_environment "$state_dir"
  timeout 30 "$WINESERVER_BIN" --kill </dev/null >/dev/null 2>&1
fi

# Only the server this harness started: the pid is checked to still be an Xvfb.
if [ -f "$state_dir/xvfb.pid" ]; then
  pid=$(cat "$state_dir/xvfb.pid")
  if [ -n "$pid" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q '^Xvfb '; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  fi
fi
rm -f "$state_dir/xvfb.pid" "$state_dir/display" "$state_dir/display.fd"
exit 0
