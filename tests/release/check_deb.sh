#!/usr/bin/env bash
# Checks the Debian package `make dist` wrote, without installing it: SHA256SUMS lists it; its
# version is the project's; its Depends name runtime libraries only (no -dev package, and no
# FreeType: the font's masks are made at build time) and apt can satisfy them here; it holds
# exactly the expected files, owned by root, all with one time; its desktop entry and AppStream
# description validate; and its program, unpacked, renders the golden frames (the package's own
# autopkgtest, pointed at the unpacked program). Exits 77 (skipped) when there are no archives yet.
# Usage: check_deb.sh DIST_DIR SOURCE_DIR WORK_DIR VERSION
set -uo pipefail
dist=$1 source_dir=$2 work=$3 version=$4
[ -f "$dist/SHA256SUMS" ] || { echo "no archives in $dist (make dist writes them); skipped"; exit 77; }
rm -rf "$work" && mkdir -p "$work/root" "$work/run" || exit 1
failures=0
fail() { echo "$*" >&2; failures=$((failures + 1)); }

deb=$(cd "$dist" && ls korvan_*.deb 2>/dev/null)
[ "$(wc -w <<<"$deb")" -eq 1 ] || { echo "expected one korvan_*.deb in $dist, found: ${deb:-none}" >&2; exit 1; }
grep -q " $deb\$" "$dist/SHA256SUMS" || fail "SHA256SUMS does not list $deb"
deb=$dist/$deb

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korvan ] || fail "the package is called $(field Package)"
case "$(field Version)" in
  "$version"-[0-9]*) ;;
  *) fail "package version $(field Version), the project is at $version" ;;
esac
depends=$(field Depends)
grep -q -- '-dev\b' <<<"$depends" && fail "Depends names a development package: $depends"
for lib in libc6 libsdl2-2.0-0 libpng16-16; do
  grep -qw -- "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
grep -q libfreetype <<<"$depends" && fail "Depends names FreeType: $depends"
# apt resolves the Depends against this machine's packages without installing anything.
apt-get -s -qq install "$deb" >"$work/apt.log" 2>&1 || { fail "apt cannot install $deb:"; cat "$work/apt.log" >&2; }

# Files (folders left out), owners and times.
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sed 's|^\./||' | LC_ALL=C sort)
expect=$(LC_ALL=C sort <<EOF_LIST
usr/bin/korvan
usr/share/applications/korvan.desktop
$(for s in 16 32 48 64 128 256; do echo "usr/share/icons/hicolor/${s}x$s/apps/korvan.png"; done)
usr/share/doc/korvan/changelog.Debian.gz
usr/share/doc/korvan/copyright
usr/share/lintian/overrides/korvan
usr/share/man/man6/korvan.6.gz
usr/share/metainfo/org.example.korvan.metainfo.xml
EOF_LIST
)
[ "$files" = "$expect" ] || fail "$(basename "$deb") holds other files than expected:
$(diff <(echo "$expect") <(echo "$files"))"
[ "$(awk '{ print $2 }' <<<"$listing" | sort -u)" = root/root ] || fail "entries not owned by root/root"
[ "$(awk '{ print $4, $5 }' <<<"$listing" | sort -u | wc -l)" -eq 1 ] || fail "entries have different times"

dpkg-deb -x "$deb" "$work/root" || exit 1
share=$work/root/usr/share
output=$(desktop-file-validate "$share/applications/korvan.desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$output" ] || fail "desktop entry: $output"
output=$(appstreamcli validate --no-net --pedantic "$share"/metainfo/*.xml 2>&1) || fail "AppStream: $output"

# The autopkgtest reads the golden frames from the source tree it runs in.
(cd "$source_dir" && KORVAN=$work/root/usr/bin/korvan AUTOPKGTEST_TMP=$work/run \
   debian/tests/headless-frames) || fail "the unpacked program does not render the golden frames"

[ "$failures" -eq 0 ] && echo "$(basename "$deb"): Depends $depends; files, owners and program as expected"
exit $((failures > 0))
