# Shared part of the Wine harness scripts (sourced, not run): where the harness keeps its
# state and which environment every Wine call gets. The harness is one Xvfb display and one
# Wine prefix per build directory; wine-setup.sh creates them, wine-stop.sh ends them.

# Debian's wine64 package puts the loader in /usr/lib/wine; the "wine" package adds the
# /usr/bin wrappers. Either works.
korvan_find_wine() {
  for candidate in "${KORVAN_WINE:-}" /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null)" \
                   "$(command -v wine 2>/dev/null)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      WINE_LOADER_BIN=$candidate
      return 0
    fi
  done
  echo "wine harness: no Wine loader found (install the Debian package wine64)" >&2
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
  export WINEARCH=win64
  unset WAYLAND_DISPLAY
}

# Loads the display the setup recorded; fails with a clear message when there is none.
korvan_load_state() {
  state_dir=$1
  if [ ! -f "$state_dir/display" ]; then
    echo "wine harness: not set up in $state_dir (run the wine_setup test first, e.g." \
         "'ctest -L wine', or scripts/wine-setup.sh $state_dir)" >&2
    return 1
  fi
  DISPLAY=$(cat "$state_dir/display")
  export DISPLAY
  korvan_wine_environment "$state_dir"
}
