# shellcheck shell=bash
# Shared part of the bash scripts and test harnesses (sourced, not run): which Debian package
# brings a missing tool, and the one way they start an X server of their own (Xvfb).
#
#   korvan_package_of TOOL          the Debian package that installs TOOL
#   korvan_have_tools TOOL...       succeeds when every TOOL is on the PATH; otherwise sets
#                                   $korvan_missing_tools and $korvan_missing_packages (the
#                                   packages to install, each once) and fails
#   korvan_running PID              whether the process runs (a zombie does not)
#   korvan_start_xvfb [--detach] DIR SCREEN
#                                   Xvfb at SCREEN (WxHxD) on a free display; returns once it
#                                   accepts connections, with DISPLAY exported (see below)
#   korvan_stop_xvfb DIR            ends the Xvfb that korvan_start_xvfb DIR started

# Each tool whose Debian package has another name; a tool not listed here (openbox, wmctrl,
# xdotool, weston, ...) comes in a package of its own name. tests/tool_packages.sh checks the
# pairs against dpkg; they are quoted so that it reads them as names, not as commands run here.
korvan_tool_packages=(
  'Xvfb xvfb'
  'xdpyinfo x11-utils' 'xmessage x11-utils' 'xprop x11-utils' 'xwininfo x11-utils'
  'compare imagemagick' 'convert imagemagick' 'identify imagemagick' 'import imagemagick'
  'tesseract tesseract-ocr'
  'setsid util-linux'
  'timeout coreutils'
)

korvan_package_of() {
  local pair
  for pair in "${korvan_tool_packages[@]}"; do
    [ "${pair%% *}" = "$1" ] && { echo "${pair#* }"; return; }
  done
  echo "$1"
}

korvan_have_tools() {
  local tool missing=() packages=()
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 && continue
    missing+=("$tool")
    packages+=("$(korvan_package_of "$tool")")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  # shellcheck disable=SC2034  # for the caller's message
  korvan_missing_tools="${missing[*]}"
  korvan_missing_packages=$(printf '%s\n' "${packages[@]}" | sort -u | tr '\n' ' ')
  korvan_missing_packages=${korvan_missing_packages% }
  return 1
}

korvan_running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat:0:1}" != Z ]
}

# -displayfd: the server takes the first free display number itself, so nothing can race us for
# it, and writes the number, then a newline, once it listens. -noreset: without it the server
# resets whenever its last client leaves (a probe such as xdpyinfo) and drops every client
# connecting at that moment. Each wait is for a condition, at most 60 s.
# The server's output goes to DIR/xvfb.log, its pid to $korvan_xvfb_pid and DIR/xvfb.pid as soon
# as it starts, so a caller's cleanup can end it whatever happens next. When it does not come up,
# $korvan_xvfb_error says what did not happen and the status is 1.
# --detach: the server runs in a session of its own and outlives the caller's process group (the
# Wine harness keeps one for a whole ctest run).
# shellcheck disable=SC2034  # korvan_xvfb_error is for the caller's message
korvan_start_xvfb() {
  local detach=()
  if [ "$1" = --detach ]; then detach=(setsid); shift; fi
  local dir=$1 screen=$2
  local fd_file="$dir/xvfb.displayfd" number="" what="report its display number" deadline
  : >"$fd_file"
  "${detach[@]}" Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
    3>"$fd_file" </dev/null >"$dir/xvfb.log" 2>&1 &
  korvan_xvfb_pid=$!
  echo "$korvan_xvfb_pid" >"$dir/xvfb.pid"
  deadline=$((SECONDS + 60))
  while :; do
    if ! korvan_running "$korvan_xvfb_pid"; then
      korvan_xvfb_error="Xvfb ended before it could $what"
      return 1
    fi
    if [ -z "$number" ]; then
      if [ "$(tail -c 1 "$fd_file" | od -An -c | tr -d ' ')" = '\n' ]; then
        number=$(head -n 1 "$fd_file")
        export DISPLAY=":$number"
        what="accept connections on $DISPLAY"
        deadline=$((SECONDS + 60))
        continue
      fi
    elif xdpyinfo >/dev/null 2>&1; then
      return 0
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
      korvan_xvfb_error="gave up after 60 s waiting for Xvfb to $what"
      return 1
    fi
    sleep 0.1
  done
}

# Only the server korvan_start_xvfb DIR started: the pid is checked to still be an Xvfb.
korvan_stop_xvfb() {
  local dir=$1 pid
  pid=$(cat "$dir/xvfb.pid" 2>/dev/null)
  if [ -n "$pid" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q '^Xvfb '; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  fi
  rm -f "$dir/xvfb.pid" "$dir/xvfb.displayfd"
}
