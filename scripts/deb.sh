#!/usr/bin/env bash
# Builds the Debian package into OUT_DIR: korvan_VERSION-REVISION_ARCH.deb with its .buildinfo
# and .changes, by dpkg-buildpackage from a copy of the checkout's tracked files (uncommitted
# changes included), so the work tree gets no build folder or debian/ leftovers. Lintian must
# then report nothing that debian/korvan.lintian-overrides does not explain.
# The .deb is reproducible: its file times are the commit's (or SOURCE_DATE_EPOCH when set).
#
# Usage: deb.sh OUT_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUT_DIR" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
. "$source_dir/scripts/release-lib.sh"
release_require deb deps-deb git dpkg-buildpackage dh lintian
release_epoch deb "$source_dir"
export TZ=UTC LC_ALL=C.UTF-8

# The package's upstream version must be project()'s, the one the program prints.
version=$(sed -n 's/^project(korvan VERSION \([^ )]*\).*/\1/p' "$source_dir/CMakeLists.txt")
deb_version=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
[ "${deb_version%-*}" = "$version" ] || {
  echo "deb: debian/changelog is at $deb_version but CMakeLists.txt at $version; add an entry (dch -v $version-1)" >&2
  exit 1; }

stage=$(mktemp -d -t korvan-deb.XXXXXX)
trap 'rm -rf "$stage"' EXIT
# `git stash create` records the work tree's tracked files as a commit without touching the
# work tree, the index or the stash; it prints nothing when there is nothing uncommitted.
tree=$(git -C "$source_dir" stash create)
[ -z "$tree" ] || echo "deb: note: the checkout has uncommitted changes; the package is not that of its commit" >&2
mkdir "$stage/korvan-$version"
git -C "$source_dir" archive --format=tar "${tree:-HEAD}" | tar -x -C "$stage/korvan-$version"

# The debug symbols are not shipped, so no -dbgsym package is made.
(cd "$stage/korvan-$version" &&
  DEB_BUILD_OPTIONS="noddebs ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -us -uc -b -j"${JOBS:-auto}")

arch=$(dpkg-architecture -qDEB_HOST_ARCH)
name=korvan_${deb_version}_$arch
mkdir -p "$1"
out=$(cd "$1" && pwd)
rm -f "$out"/korvan_*.deb "$out"/korvan_*.buildinfo "$out"/korvan_*.changes
mv "$stage/$name.deb" "$stage/$name.buildinfo" "$stage/$name.changes" "$out/"

# Every tag lintian knows, down to the pedantic ones, fails the build unless overridden.
lintian --display-info --pedantic --fail-on error,warning,info,pedantic "$out/$name.changes" || {
  echo "deb: lintian is not clean: fix the tags above or override them with a reason" >&2
  exit 1; }
echo "deb: $out/$name.deb ($(stat -c %s "$out/$name.deb") bytes)"
