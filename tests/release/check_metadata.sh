#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the validators desktops and package tools
# use on what it installed: desktop-file-validate, appstreamcli (no network) and man's
# formatter with its warnings on. Any warning fails the test, and so does an option that
# `korvan --help` lists (the program's table of options) and README's options table or the
# manual page's OPTIONS section leaves out, or one they describe that the program does not take.
# Usage: check_metadata.sh BUILD_DIR WORK_DIR README
set -uo pipefail
build=$1 work=$2 readme=$3
for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "$tool is missing (make deps-release installs it)" >&2; exit 1; }
done
rm -rf "$work" && mkdir -p "$work" || exit 1
cmake --install "$build" --prefix "$work/prefix" >/dev/null || exit 1
share=$work/prefix/share
failures=0
# desktop-file-validate prints only what is wrong, and may do so without failing.
output=$(desktop-file-validate "$share/applications/korvan.desktop" 2>&1)
if [ $? -ne 0 ] || [ -n "$output" ]; then
  echo "desktop entry:" >&2; echo "$output" >&2; failures=$((failures + 1))
fi
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
# appstreamcli fails on errors and warnings; its success line is its only output then.
output=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || {
  echo "AppStream:" >&2; echo "$output" >&2; failures=$((failures + 1)); }
# The metainfo's launchable must be the desktop entry that was installed.
grep -q '<launchable type="desktop-id">korvan.desktop</launchable>' "$metainfo" || {
  echo "metainfo does not launch korvan.desktop" >&2; failures=$((failures + 1)); }
# man -l renders the page; --warnings makes groff report every mistake in it.
page=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$share/man/man6/korvan.6" 2>"$work/man.err")
[ -s "$work/man.err" ] && { echo "manual page:" >&2; cat "$work/man.err" >&2; failures=$((failures + 1)); }
for section in NAME SYNOPSIS OPTIONS KEYS "EXIT STATUS" FILES; do
  grep -q "^$section" <<<"$page" || { echo "manual page has no $section section" >&2; failures=$((failures + 1)); }
done
# Each list is the options' names, sorted: from the usage text's left column ("  --frames N   "),
# the first cells of README's table, and the items of the page's OPTIONS section.
names() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
usage_options=$("$work/prefix/bin/korvan" --help | sed -nE 's/^  (--[^ ]+( [^ ]+)*)  .*/\1/p' | names)
readme_options=$(sed -n '/^## Options of the native program/,/^## /p' "$readme" |
  grep '^| `--' | cut -d'|' -f2 | names)
page_options=$(sed -n '/^OPTIONS/,/^[A-Z]/p' <<<"$page" | sed -nE 's/^ {7}(--[a-z-]+).*/\1/p' | names)
agree() {  # WHERE OPTIONS
  local option
  for option in $(comm -23 <(echo "$usage_options") <(echo "$2")); do
    echo "$1 does not document $option" >&2; failures=$((failures + 1)); done
  for option in $(comm -13 <(echo "$usage_options") <(echo "$2")); do
    echo "$1 documents $option, which korvan --help does not list" >&2; failures=$((failures + 1)); done
}
agree "README's options table" "$readme_options"
agree "the manual page's OPTIONS" "$page_options"
[ "$failures" -eq 0 ] && echo "desktop entry, AppStream description and manual page are valid; the options agree"
exit $((failures > 0))
