#!/usr/bin/env bash
# Every command the display, Wine and release scripts call comes from a Debian package that the Makefile
# installs before that stage runs (or from one every Debian system has), so a fresh machine
# never meets a missing tool halfway through `make test`; and the package the scripts name for a
# missing tool (the table in scripts/lib.sh) is one that brings it.
# Commands are found by reading the suites' scripts: every word outside comments that names
# an installed program. Usage: tool_packages.sh SOURCE_DIR
set -uo pipefail
src=$(cd "$1" && pwd)
command -v dpkg-query >/dev/null 2>&1 || { echo "skipped: not a Debian system"; exit 77; }

# The packages named as arguments with everything they depend on.
with_depends() {
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances "$@" 2>/dev/null | grep -E '^[a-z0-9]' | sort -u
}

# The Makefile's package lists named as arguments, with everything they depend on.
installed_by() {
  # Called from within make test: the outer make's jobserver is not ours to use.
  local list named packages=()
  for list in "$@"; do
    read -ra named < <(env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL \
                         make -s --no-print-directory -C "$src" "print-$list")
    packages+=("${named[@]}")
  done
  with_depends "${packages[@]}"
}

# The package that installed each file named as an argument, a line each; empty where none did.
# One query for all: "package: /path" for each file dpkg knows (merged /usr: maybe as /bin).
owners_of() {
  local owners path
  owners=$(dpkg-query -S "$@" "${@#/usr}" 2>/dev/null)
  for path in "$@"; do
    awk -v f="$path" -v g="${path#/usr}" \
      '{ p = $1; sub(/:$/, "", p); sub(/:[a-z0-9]+$/, "", p) }
       $2 == f || $2 == g { print p; found = 1; exit }
       END { if (!found) print "" }' <<<"$owners"
  done
}

# Words in command position or after a harness word that runs its argument, read roughly:
# comments and quoted text without a command substitution are dropped, options and paths
# are not words, nor are the names of assigned variables.
commands_in() {
  sed -e 's/^[[:space:]]*#.*//' -e 's/[[:space:]]#.*//' \
      -e "s/'[^']*'//g" -e 's/"[^"$]*"//g' -e 's/[A-Za-z_][A-Za-z0-9_]*+\{0,1\}=//g' "$@" |
    grep -oE '(^|[^A-Za-z0-9_.+/${}=-])[A-Za-z_][A-Za-z0-9_.+-]*' |
    sed -E 's/^[^A-Za-z_]//' | sort -u
}

# Essential and required packages are on every Debian system (one query for all of them).
on_every_system=$(dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' |
  awk '$2 == "yes" || $3 == "required" { print $1 }')
failures=0
checked=0
# check GROUP "MAKEFILE LISTS" FILE...
check() {
  local group=$1 lists=$2 allowed word path paths=() words=() package
  shift 2
  allowed=$(installed_by $lists)
  for word in $(commands_in "$@"); do
    [ "$(type -t "$word")" = file ] || continue
    path=$(readlink -f "$(command -v "$word")")
    case "$path" in /usr/local/*) continue ;; esac
    words+=("$word") paths+=("$path")
  done
  local owners=()
  mapfile -t owners < <(owners_of "${paths[@]}")
  for i in "${!words[@]}"; do
    package=${owners[$i]}
    [ -n "$package" ] || continue  # not from a package: built here
    checked=$((checked + 1))
    grep -qx "$package" <<<"$allowed" && continue
    grep -qx "$package" <<<"$on_every_system" && continue
    echo "$group: '${words[$i]}' comes from the package $package, which the Makefile does" \
         "not install for that stage (add it to one of: $lists)"
    failures=$((failures + 1))
  done
}

shopt -s nullglob globstar
# `make test-native` installs NATIVE_PKGS and DISPLAY_PKGS; `make test-wine` WINDOWS_PKGS and
# WINE_PKGS.
check display "NATIVE_PKGS DISPLAY_PKGS" "$src"/tests/display/*.sh "$src"/scripts/lib.sh
check wine "WINDOWS_PKGS WINE_PKGS" "$src"/tests/wine/**/*.sh "$src"/scripts/lib.sh \
  "$src"/scripts/machine-can.sh
# `make dist` and `make animation` install NATIVE_PKGS, WINDOWS_PKGS and RELEASE_PKGS; the
# release checks run in `make test-native`, which installs RELEASE_PKGS too.
check release "NATIVE_PKGS WINDOWS_PKGS RELEASE_PKGS" "$src"/scripts/dist.sh "$src"/scripts/release-lib.sh \
  "$src"/scripts/make-animation.sh "$src"/tests/release/*.sh
# `make deb` installs NATIVE_PKGS and DEB_PKGS; the package's autopkgtest runs in its check.
check deb "NATIVE_PKGS DEB_PKGS" "$src"/scripts/deb.sh "$src"/debian/tests/headless-frames
# `make web` installs WEB_PKGS before it builds the libraries for the browser.
check web "WEB_PKGS" "$src"/scripts/web-libs.sh

# The table of scripts/lib.sh names the package to install for a missing tool: where the tool is
# here, that package (or one it depends on) is the one that installed it.
# shellcheck source=SCRIPTDIR/../scripts/lib.sh
. "$src/scripts/lib.sh"
pairs=() paths=()
for pair in "${korvan_tool_packages[@]}"; do
  path=$(command -v "${pair%% *}") || continue
  pairs+=("$pair") paths+=("$(readlink -f "$path")")
done
mapfile -t owners < <(owners_of "${paths[@]}")
for i in "${!pairs[@]}"; do
  tool=${pairs[$i]%% *} package=${pairs[$i]#* } owner=${owners[$i]}
  [ -n "$owner" ] || continue
  [ "$owner" = "$package" ] || with_depends "$package" | grep -qx "$owner" && continue
  echo "scripts/lib.sh: '$tool' comes from the package $owner, which installing $package" \
       "does not bring"
  failures=$((failures + 1))
done

[ "$checked" -gt 0 ] || { echo "no commands found in the suites' scripts"; exit 1; }
[ "$failures" -eq 0 ] || exit 1
echo "$checked commands, each from a package the Makefile installs;" \
     "${#pairs[@]} tools, each from the package scripts/lib.sh names"
