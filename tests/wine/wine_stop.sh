#!/usr/bin/env bash
# Stops the Wine harness of a state directory: ends the prefix's wineserver (and with it any
# Wine process left running) and the Xvfb server. The prefix stays for the next run.
# Usage: wine_stop.sh STATE_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=SCRIPTDIR/wine_env.sh
. "$here/wine_env.sh"

[ $# -eq 1 ] || { echo "usage: $0 STATE_DIR" >&2; exit 2; }
state_dir=$1
[ -d "$state_dir" ] || exit 0

if [ -d "$state_dir/prefix" ] && korvan_find_wineserver; then
  korvan_wine_environment "$state_dir"
  timeout 30 "$WINESERVER_BIN" --kill </dev/null >/dev/null 2>&1
fi

korvan_stop_xvfb "$state_dir"
rm -f "$state_dir/display"
exit 0
