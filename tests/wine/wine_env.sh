# shellcheck shell=bash
# Shared part of the Wine harness scripts (sourced, not run): where the harness keeps its
# state and which environment every Wine call gets. The harness is one Xvfb display and one
# Wine prefix per build directory; wine_setup.sh creates them, wine_stop.sh ends them. It
# builds on scripts/lib.sh (the tools' packages, the X server's start).
korvan_scripts_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)
# shellcheck source=SCRIPTDIR/../../scripts/lib.sh
. "$korvan_scripts_dir/lib.sh"

# Which Wine a harness runs: "win64" (default) or "win32", as the build folder's CMake wrote it
# into STATE_DIR/wine-arch. A 32-bit program needs a 32-bit prefix and Debian's wine32:i386.
korvan_wine_arch() {
  KORVAN_WINE_ARCH=$(cat "$1/wine-arch" 2>/dev/null || echo win64)
}

# Debian's wine64 package puts the 64-bit loader in /usr/lib/wine, wine32:i386 the 32-bit one
# beside it; the "wine" package adds the /usr/bin wrappers. Either works.
korvan_find_wine() {
  if [ "${KORVAN_WINE_ARCH:-win64}" = win32 ]; then
    set -- "${KORVAN_WINE:-}" /usr/lib/wine/wine "$(command -v wine 2>/dev/null)"
    package="wine32:i386 (after dpkg --add-architecture i386)"
  else
    set -- "${KORVAN_WINE:-}" /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null)" \
           "$(command -v wine 2>/dev/null)"
    package=wine64
  fi
  for candidate in "$@"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      WINE_LOADER_BIN=$candidate
      return 0
    fi
  done
  echo "wine harness: no Wine loader for ${KORVAN_WINE_ARCH:-win64} found (install the Debian package $package)" >&2
  return 1
}

korvan_find_wineserver() {
  for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver \
                   "$(command -v wineserver 2>/dev/null)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      WINESERVER_BIN=$candidate
      return 0
    fi
  done
  echo "wine harness: no wineserver found (install the Debian package wine64)" >&2
  return 1
}

# The environment of every Wine process of the harness. Direct3D's "gdi" renderer draws
# DirectDraw surfaces without OpenGL, which Xvfb does not offer; the empty DLL overrides stop
# Wine from offering to download Mono and Gecko (a dialog that would wait forever).
korvan_wine_environment() {
  state_dir=$(cd "$1" && pwd)  # Wine wants an absolute WINEPREFIX
  export WINEPREFIX="$state_dir/prefix"
  export WINEDEBUG="${KORVAN_WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINE_D3D_CONFIG="renderer=gdi"
  korvan_wine_arch "$state_dir"
  export WINEARCH=$KORVAN_WINE_ARCH
  unset WAYLAND_DISPLAY
}

# Ends a harness script with "not run here" (exit 77, which ctest counts as skipped) when the
# setup found that this machine cannot run this Wine at all: see wine_setup.sh.
korvan_exit_if_not_run_here() {
  if [ -f "$1/not-run-here" ]; then
    echo "not run here: $(cat "$1/not-run-here")"
    exit 77
  fi
}

# Loads the display the setup recorded; fails with a clear message when there is none.
korvan_load_state() {
  state_dir=$1
  if [ ! -f "$state_dir/display" ]; then
    echo "wine harness: not set up in $state_dir (run the wine_setup test first, e.g." \
         "'ctest -L wine', or tests/wine/wine_setup.sh $state_dir)" >&2
    return 1
  fi
  DISPLAY=$(cat "$state_dir/display")
  export DISPLAY
  korvan_wine_environment "$state_dir"
}
