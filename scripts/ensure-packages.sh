#!/bin/sh
# Installs the Debian packages named on the command line when they are missing.
# As root it uses apt-get; otherwise it prints the exact command to run and fails.
# A name with an architecture (wine32:i386) first enables that architecture in dpkg.
# On a system without dpkg (macOS, other distributions) it only reminds the user.
#
# The archive is not always whole: an index can fail its checks for hours (a mirror caught
# mid-sync) while every package a stage needs installs fine from the others. So a failed
# `apt-get update` is a warning and the install decides; a failed install names the package and
# apt's own reason. Fetches are retried, and lists fetched within the hour are not fetched again.
#
# Usage: ensure-packages.sh [--optional] PACKAGE...
#   --optional  a package that cannot be installed is reported and the script still succeeds
#               (for what a stage can do without, like the 32-bit Wine)
set -eu
optional=false
if [ "${1:-}" = --optional ]; then optional=true; shift; fi

command -v dpkg-query >/dev/null 2>&1 || {
  echo "note: not a Debian-like system; make sure these are installed: $*" >&2
  exit 0
}
missing=""
for pkg in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  case "$status" in
    *" installed") ;;
    *) missing="$missing $pkg" ;;
  esac
done
[ -z "$missing" ] && exit 0

give_up() {
  if $optional; then
    echo "warning: not installed:$missing; what needs it will not run here" >&2
    exit 0
  fi
  exit 1
}

# Foreign architectures the missing packages need and dpkg does not know yet.
new_archs=""
for pkg in $missing; do
  case "$pkg" in
    *:*) arch=${pkg#*:}
         if [ "$arch" != "$(dpkg --print-architecture)" ] &&
            ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
           case " $new_archs " in *" $arch "*) ;; *) new_archs="$new_archs $arch" ;; esac
         fi ;;
  esac
done
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages:$missing" >&2
  for arch in $new_archs; do
    echo "Enable their architecture first:  sudo dpkg --add-architecture $arch && sudo apt-get update" >&2
  done
  echo "Install them with:  sudo apt-get install -y$missing" >&2
  give_up
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
# Downloads are retried, and a second install running beside this one is waited for.
apt_opts="-o Acquire::Retries=3 -o DPkg::Lock::Timeout=600"
log=$(mktemp)
trap 'rm -f "$log" "$log.status"' EXIT
for arch in $new_archs; do
  dpkg --add-architecture "$arch"
done

# Lists are fetched when an architecture has none yet, and otherwise only when the install fails
# with the lists there are (they may name versions the archive has since replaced), at most once
# an hour: apt leaves a list's time alone when the archive's copy has not changed, so the time
# of the last fetch is kept in a stamp of our own. apt keeps its lists compressed
# (..._binary-amd64_Packages.lz4 and the like), so the check matches any suffix.
lists=/var/lib/apt/lists
eval "$(apt-config shell lists Dir::State::Lists/d 2>/dev/null || true)"
stamp=${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/korvan/apt-lists-fetched
has_lists() {
  [ -n "$(find "$lists" -maxdepth 1 -name "*_binary-${1}_Packages*" 2>/dev/null | head -n 1)" ]
}
fetched_lately() {
  [ -n "$(find "$stamp" -mmin -60 2>/dev/null)" ]
}
updated=false
update() {
  updated=true
  # shellcheck disable=SC2086
  if ! apt-get update -qq $apt_opts >"$log" 2>&1; then
    echo "warning: apt-get update could not fetch every package list; installing from the lists it has:" >&2
    grep -E '^(E|W|Err):' "$log" | sed 's/^/  /' >&2 || true
  fi
  mkdir -p "$(dirname "$stamp")" && touch "$stamp" || true
}
need_update=false
for arch in "$(dpkg --print-architecture)" $new_archs; do has_lists "$arch" || need_update=true; done
if $need_update; then update; fi

# apt's output is shown as it comes and kept for the diagnosis below.
install() {
  # shellcheck disable=SC2086
  { apt-get install -y -qq --no-install-recommends $apt_opts "$@" 2>&1; echo $? >"$log.status"; } |
    tee "$log"
  return "$(cat "$log.status")"
}
# shellcheck disable=SC2086
if install $missing; then exit 0; fi
if ! $updated && ! fetched_lately; then
  update
  # shellcheck disable=SC2086
  if install $missing; then exit 0; fi
fi
# Which of them cannot be installed, each with apt's reason.
for pkg in $missing; do
  # shellcheck disable=SC2086
  if ! apt-get install -s --no-install-recommends $apt_opts "$pkg" >"$log" 2>&1; then
    echo "error: cannot install $pkg; apt says:" >&2
    grep -vE '^(Reading|Building|NOTE|Some packages could not|requested an impossible|the required packages|distribution that some|or been moved out|The following information)' \
      "$log" | grep -v '^ *$' | sed 's/^/  /' >&2
    failed=true
  fi
done
if [ -z "${failed:-}" ]; then
  # Each can be installed alone: the failure was in fetching or unpacking them.
  echo "error: installing$missing failed; apt says:" >&2
  tail -n 15 "$log" | sed 's/^/  /' >&2
fi
give_up
