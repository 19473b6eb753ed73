# Harness for tests that run the intro in a real display session (sourced by bash scripts,
# not run). Every session has its own work folder and its own X server, whose display number
# the server picks itself (-displayfd), so sessions run side by side with each other and with
# anything else on the machine. Every wait is for a condition, with a limit and a message
# that names what did not happen.
#
#   session_start WORK_DIR        fresh WORK_DIR ($work); HOME-like folders inside it; on exit,
#                                 every process started through `spawn` is ended
#   require_tools TOOL...         a missing tool skips the test (exit 77), or fails it when
#                                 CI=true; either way naming the Debian package to install
#   spawn NAME COMMAND...         COMMAND in the background, output in $work/NAME.log, pid in
#                                 $spawned (ended on exit)
#   reap PID                      waits for a spawned process to end; its exit code in $status
#   leak_check_verdict NAME       after reap, in sanitizer builds: when LeakSanitizer itself
#                                 failed at exit (not a leak), says "not run here" and takes
#                                 the exit as clean
#   start_xvfb [WxHxD]            own Xvfb; returns once it accepts connections; exports DISPLAY
#   start_wm                      openbox; returns once it manages the screen
#   window_of TITLE               id of a visible window titled exactly TITLE (empty if none)
#   wait_window TITLE [LIMIT]     waits for such a window; its id in $window
#   screenshot WINDOW FILE        the window's picture in FILE; fails, never waits, when the
#                                 window is gone
#   frame_count DIR               frames presented so far (files frame-*.png of --capture DIR)
#   wait_frames DIR N [LIMIT]     waits until N more frames than now were presented
#   running PID                   whether the process runs (a zombie does not)
#   poll LIMIT COMMAND...         runs COMMAND until it succeeds; status 1 after LIMIT seconds
#   wait_for LIMIT WHAT COMMAND...  the same, but fails the test naming WHAT on time-out
#   fail MESSAGE...               "FAIL: MESSAGE" and exit 1
#
# Limits are generous (a loaded machine is slow, never wrong); seconds of wall-clock time.

_display_lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The tools' packages and the X server's start, shared with the Wine harness.
# shellcheck source=SCRIPTDIR/../../scripts/lib.sh
. "$_display_lib_dir/../../scripts/lib.sh"

# The test's own output, kept apart so a failure inside a polled command is still seen.
exec 8>&1
fail() {
  echo "FAIL: $*" >&8
  exit 1
}

require_tools() {
  korvan_have_tools "$@" && return 0
  local what="not installed: $korvan_missing_tools; apt-get install $korvan_missing_packages"
  what="$what (make deps-display does it)"
  [ "${CI:-}" = true ] && fail "$what"
  echo "skipped: $what"
  exit 77
}

poll() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  while :; do
    "$@" >/dev/null 2>&1 && return 0
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

wait_for() {
  local limit=$1 what=$2
  shift 2
  poll "$limit" "$@" || fail "gave up after ${limit} s waiting for $what"
}

# A child that ended but was not waited for yet can be a zombie, which `kill -0` still finds.
running() {
  korvan_running "$1"
}

_session_pids=()
_session_cleanup() {
  local pid
  for pid in "${_session_pids[@]}"; do kill "$pid" 2>/dev/null; done
  _session_ended() {
    local pid
    for pid in "${_session_pids[@]}"; do running "$pid" && return 1; done
    return 0
  }
  poll 30 _session_ended || for pid in "${_session_pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  for pid in "${_session_pids[@]}"; do wait "$pid" 2>/dev/null; done
}

session_start() {
  work=$1
  rm -rf "$work" && mkdir -p "$work" || fail "cannot create the work folder $work"
  work=$(cd "$work" && pwd)
  trap _session_cleanup EXIT
  # Nothing of one session lands where another (or the user's desktop) keeps its files.
  mkdir -p "$work/home/config" "$work/home/cache" "$work/home/data" "$work/home/runtime"
  chmod 700 "$work/home/runtime"
  export XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache"
  export XDG_DATA_HOME="$work/home/data" XDG_RUNTIME_DIR="$work/home/runtime"
  # Sanitizer builds: the display suites' leak suppressions (none today; see the file).
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$_display_lib_dir/lsan.supp"
  # No session bus: libdbus would otherwise start one for the display and leave it running.
  export DBUS_SESSION_BUS_ADDRESS=disabled:
  unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER SDL_VIDEO_X11_WMCLASS SDL_VIDEO_WAYLAND_WMCLASS
}

spawn() {
  local name=$1
  shift
  "$@" </dev/null >"$work/$name.log" 2>&1 8>&- &
  spawned=$!
  _session_pids+=("$spawned")
}

reap() {
  local pid kept=()
  wait "$1"
  status=$?
  for pid in "${_session_pids[@]}"; do [ "$pid" = "$1" ] || kept+=("$pid"); done
  _session_pids=("${kept[@]}")
}

# LeakSanitizer stops the process's threads with a tracer before it scans their stacks. On some
# machines that tracer crashes at the exit of one kind of session though the X11 ones pass
# ("Tracer caught signal 11 ... LeakSanitizer has encountered a fatal error"), and the process
# ends with a failure after everything it did was right. The leak check could not run there;
# that is the machine's, not a fault of the intro, and everything else the session checked holds.
# A found leak ("detected memory leaks") stays a failure. KORVAN_PRETEND_MISSING="lsan-stop"
# takes this path on any machine.
leak_check_verdict() {
  local log="$work/$1.log"
  case " ${KORVAN_PRETEND_MISSING:-} " in
    *" lsan-stop "*) echo "not run here: the leak check of '$1': this machine pretends" \
                          "LeakSanitizer cannot stop the process (KORVAN_PRETEND_MISSING)"
                     ! grep -q 'LeakSanitizer' "$log" || status=0
                     return ;;
  esac
  [ "$status" -ne 0 ] && grep -q 'LeakSanitizer has encountered a fatal error' "$log" &&
    ! grep -q 'LeakSanitizer: detected memory leaks' "$log" || return 0
  echo "not run here: the leak check of '$1': LeakSanitizer could not stop the process to scan" \
       "it ($(grep -m 1 -o 'Tracer caught signal [0-9]*' "$log" || echo 'its own fatal error'));" \
       "exit status $status taken as 0"
  status=0
}

# The session's own X server (scripts/lib.sh starts it on a free display); it is ended with the
# session's other processes.
start_xvfb() {
  local started=0
  korvan_start_xvfb "$work" "${1:-1024x768x24}" 8>&- || started=$?
  _session_pids+=("$korvan_xvfb_pid")
  [ "$started" -eq 0 ] || fail "$korvan_xvfb_error; its log: $(cat "$work/xvfb.log")"
}

# The window manager manages the screen once it has run its --startup command: openbox runs it
# after managing the windows already there, just before it starts handling events. Its
# _NET_SUPPORTING_WM_CHECK (what wmctrl -m reads) comes earlier, too early: a window mapped in
# between was found neither way, and SDL waits for its MapNotify for ever.
start_wm() {
  rm -f "$work/wm.ready"
  spawn openbox openbox --startup "touch $(printf '%q' "$work/wm.ready")"
  _wm_pid=$spawned
  _wm_manages() {
    running "$_wm_pid" || fail "openbox ended at start: $(cat "$work/openbox.log")"
    [ -e "$work/wm.ready" ] && wmctrl -m >/dev/null 2>&1
  }
  wait_for 60 "openbox to manage the screen of $DISPLAY" _wm_manages
}

window_of() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# ImageMagick's import names a window that no longer exists (SDL may replace its first one, a box
# closes) and then waits for ever: the limit turns that into a failure a poll can retry.
screenshot() {
  timeout 20 import -window "$1" "$2" 2>/dev/null
}

wait_window() {
  local title=$1 limit=${2:-60}
  _window_shown() {
    window=$(window_of "$title")
    [ -n "$window" ]
  }
  wait_for "$limit" "a visible window titled '$title'" _window_shown
}

frame_count() {
  find "$1" -maxdepth 1 -name 'frame-*.png' | wc -l
}

wait_frames() {
  local dir=$1 more=$2 limit=${3:-60}
  local target=$(($(frame_count "$dir") + more))
  _frames_reached() { [ "$(frame_count "$dir")" -ge "$target" ]; }
  wait_for "$limit" "$more more presented frames in $dir" _frames_reached
}
