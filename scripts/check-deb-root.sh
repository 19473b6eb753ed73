#!/usr/bin/env bash
# Installs the Debian package with apt in a minimal Debian root made by mmdebstrap from the
# package archive, to prove its Depends complete and the package well-behaved on a system that
# has nothing of the build machine: apt installs runtime libraries only (no -dev package);
# korvan runs from /usr/bin and renders the golden frames (the package's autopkgtest); the
# desktop entry, icons, manual page and AppStream description are where the desktop looks and
# validate; `apt-get purge korvan` leaves none of its files behind, and the autoremove of what
# it pulled in leaves the root as it was. Run by hand as root: it downloads a few hundred MB.
# The root is made and thrown away in a temporary folder.
#
# Usage: check-deb-root.sh [DEB] [SUITE [MIRROR...]]
#   DEB defaults to the one in dist/; SUITE to this machine's release; without MIRROR,
#   mmdebstrap uses deb.debian.org with its updates and security archives.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-$(ls "$source_dir"/dist/korvan_*.deb 2>/dev/null | head -n 1)}
[ -f "$deb" ] || { echo "check-deb-root: no package (make deb writes dist/korvan_*.deb)" >&2; exit 1; }
suite=${2:-$(. /etc/os-release && echo "${VERSION_CODENAME:-}")}
[ -n "$suite" ] || { echo "check-deb-root: name the suite (bookworm, trixie, ...)" >&2; exit 2; }
shift $(($# > 2 ? 2 : $#))
[ "$(id -u)" -eq 0 ] || { echo "check-deb-root: run as root (mmdebstrap makes the root with chroot)" >&2; exit 1; }
command -v mmdebstrap >/dev/null || { echo "check-deb-root: apt-get install mmdebstrap" >&2; exit 1; }

stage=$(mktemp -d -t korvan-root.XXXXXX)
trap 'rm -rf "$stage"' EXIT
# What goes into the root: the package, its autopkgtest with the golden frames, the steps.
mkdir -p "$stage/check/src/debian/tests" "$stage/check/src/tests/e2e"
cp "$deb" "$stage/check/korvan.deb"
cp "$source_dir/debian/tests/headless-frames" "$stage/check/src/debian/tests/"
cp -r "$source_dir/tests/e2e/golden" "$stage/check/src/tests/e2e/"
cat >"$stage/check/inside.sh" <<'INSIDE'
set -eu
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
cd /root/check
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Every path of the root but apt's and dpkg's own state, caches, logs and this check.
files() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
    -o -path /var/lib/apt -o -path /var/lib/dpkg -o -path /var/cache -o -path /var/log \
    -o -path /root/check \) -prune -o -print | LC_ALL=C sort
}
packages() { dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }

files >before.files
packages >before.packages
apt-get install -y -q --no-install-recommends ./korvan.deb
packages >installed.packages
added=$(comm -13 before.packages installed.packages)
echo "apt installed: $(echo $added)"
echo "$added" | grep -- '-dev$' && fail "apt installed development packages"

[ "$(command -v korvan)" = /usr/bin/korvan ] || fail "korvan is not /usr/bin/korvan"
(cd src && AUTOPKGTEST_TMP=$(mktemp -d) debian/tests/headless-frames) || fail "the headless frames differ"
desktop-file-validate /usr/share/applications/korvan.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/org.example.korvan.metainfo.xml || fail "AppStream"
appstreamcli refresh-cache --force >/dev/null
appstreamcli get org.example.korvan | grep -q '^Identifier: org.example.korvan ' || fail "AppStream does not find korvan"
for size in 16 32 48 64 128 256; do
  [ -f /usr/share/icons/hicolor/${size}x$size/apps/korvan.png ] || fail "no ${size}px icon"
done
[ "$(man -w korvan)" = /usr/share/man/man6/korvan.6.gz ] || fail "man does not find korvan(6)"
dpkg -L korvan >korvan.files

apt-get purge -y -q korvan
while read -r path; do
  [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after the purge"
done <korvan.files
files | grep -i korvan && fail "files named korvan are left after the purge"
apt-get autoremove --purge -y -q
files >after.files
diff before.files after.files || fail "the root holds other files than before the install"
[ "$(packages)" = "$(cat before.packages)" ] || fail "other packages are installed than before"
[ "$failures" -eq 0 ] && echo "korvan installs, runs and purges cleanly in a minimal root"
exit $((failures > 0))
INSIDE

# The tools of the checks themselves are in the root before its first snapshot.
mmdebstrap --variant=apt --include=netpbm,desktop-file-utils,appstream,man-db \
  --customize-hook="copy-in $stage/check /root" \
  --customize-hook='chroot "$1" sh /root/check/inside.sh' \
  "$suite" /dev/null "$@"
