#!/usr/bin/env bash
# Checks the archives `make dist` wrote: SHA256SUMS matches them; each unpacks into one folder
# holding exactly the expected files, owned by root with the commit's time; no file holds the
# path of the checkout it was built in; the .exe files are the right architecture with no link
# time; the Linux program, run from its unpacked folder, prints the version of the archive's
# name and renders a short headless run; every library it needs comes from a package its
# README names. Exits 77 (skipped) when there are no archives yet.
# Usage: check_dist.sh DIST_DIR SOURCE_DIR WORK_DIR
set -uo pipefail
dist=$1 source_dir=$2 work=$3
[ -f "$dist/SHA256SUMS" ] || { echo "no archives in $dist (make dist writes them); skipped"; exit 77; }
rm -rf "$work" && mkdir -p "$work" || exit 1
failures=0
fail() { echo "$*" >&2; failures=$((failures + 1)); }

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the archives"
linux=$(cd "$dist" && ls korvan-*-linux-x86_64.tar.gz 2>/dev/null)
[ -n "$linux" ] || { echo "no Linux archive in $dist" >&2; exit 1; }
version=${linux#korvan-}; version=${version%-linux-x86_64.tar.gz}

# The file list of each archive, folders left out, in sorted order.
expect_linux="bin/korvan
licences/DejaVu-fonts.txt
README
share/applications/korvan.desktop
$(for s in 16 32 48 64 128 256; do echo "share/icons/hicolor/${s}x$s/apps/korvan.png"; done)
share/man/man6/korvan.6
share/metainfo/org.example.korvan.metainfo.xml"
expect_windows="korvan.exe
licences/gcc-runtime.txt
licences/mingw-w64-runtime.txt
README.txt"
expect_web="index.html
korvan-192.png
korvan-512.png
korvan-nosimd.wasm
korvan.png
korvan.wasm
manifest.webmanifest
sw.js"

compare_list() {  # archive, expected, actual
  local want got
  want=$(LC_ALL=C sort <<<"$2") got=$(LC_ALL=C sort <<<"$3")
  [ "$want" = "$got" ] || fail "$1 holds other files than expected:
$(diff <(echo "$want") <(echo "$got"))"
}

# Linux: list, owners and times, then unpack and run.
name=korvan-$version-linux-x86_64
listing=$(tar -tvzf "$dist/$linux" --numeric-owner)
files=$(tar -tzf "$dist/$linux" | grep -v '/$')
compare_list "$linux" "$expect_linux" "$(sed -n "s|^$name/||p" <<<"$files")"
[ "$(grep -vc "^$name/" <<<"$files")" -eq 0 ] || fail "$linux has entries outside $name/"
[ "$(awk '{ print $2 }' <<<"$listing" | sort -u)" = "0/0" ] || fail "$linux: entries not owned by 0/0"
[ "$(awk '{ print $4, $5 }' <<<"$listing" | sort -u | wc -l)" -eq 1 ] ||
  fail "$linux: entries have different times"
tar -xzf "$dist/$linux" -C "$work" || exit 1
program=$work/$name/bin/korvan
got=$(cd "$work" && "$program" --version) || fail "$name/bin/korvan --version failed"
[ "$got" = "korvan $version" ] || fail "--version prints '$got', the archive is $version"
(cd "$work" && "$program" --headless --frames 30 --capture shots >/dev/null) ||
  fail "a headless run of the unpacked program failed"
[ "$(ls "$work/shots" 2>/dev/null | wc -l)" -eq 30 ] || fail "the headless run did not write 30 frames"
# The README names every package the program's libraries come from.
for lib in $(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }'); do
  path=$(readlink -f "$(ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64/ { print $NF; exit }')")
  # dpkg knows a library under /usr/lib or, merged-/usr or not, under /lib.
  package=$( (dpkg -S "$path" || dpkg -S "${path#/usr}") 2>/dev/null | head -n 1 | cut -d: -f1)
  [ -n "$package" ] || { fail "no package holds $lib"; continue; }
  grep -qw -- "$package" "$work/$name/README" || fail "README does not name $package (for $lib)"
done

# Windows: list, then the .exe's architecture and link time.
for arch in x64:pei-x86-64 x86:pei-i386; do
  zip_name=korvan-$version-windows-${arch%%:*}
  [ -f "$dist/$zip_name.zip" ] || { fail "no $zip_name.zip"; continue; }
  files=$(unzip -Z1 "$dist/$zip_name.zip" | grep -v '/$')
  compare_list "$zip_name.zip" "$expect_windows" "$(sed -n "s|^$zip_name/||p" <<<"$files")"
  unzip -q "$dist/$zip_name.zip" -d "$work" || exit 1
  header=$(TZ=UTC objdump -p "$work/$zip_name/korvan.exe" 2>/dev/null)
  grep -q "format ${arch#*:}$" <<<"$header" || fail "$zip_name/korvan.exe is not ${arch#*:}"
  grep -q "^Time/Date.*Thu Jan  1 00:00:00 1970" <<<"$header" ||
    fail "$zip_name/korvan.exe carries a link time: $(grep '^Time/Date' <<<"$header")"
done

web=korvan-$version-web
if [ -f "$dist/$web.zip" ]; then
  files=$(unzip -Z1 "$dist/$web.zip" | grep -v '/$')
  compare_list "$web.zip" "$expect_web" "$(sed -n "s|^$web/||p" <<<"$files")"
else
  fail "no $web.zip"
fi

# No archive carries the checkout's path (from __FILE__, debug info or an install step).
for archive in "$dist"/korvan-*; do
  case "$archive" in
    *.tar.gz) tar -xzf "$archive" -O ;;
    *.zip) unzip -p "$archive" ;;
  esac | grep -a -q -F -- "$source_dir" && fail "$(basename "$archive") holds the path $source_dir"
done

[ "$failures" -eq 0 ] && echo "archives of korvan $version: contents, owners, times and programs as expected"
exit $((failures > 0))
