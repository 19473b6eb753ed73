#!/usr/bin/env bash
# Writes the release archives into OUT_DIR from finished builds: the Linux program (installed
# from its build folder), the 64- and 32-bit Windows programs and, when given, the web page.
# SHA256SUMS also lists the Debian package when `make deb` has put one there.
# The archives are reproducible: the same commit gives the same bytes wherever and whenever it
# is packed (times from the commit, sorted entries, fixed owners and modes, UTC zip times).
#
# Usage: dist.sh OUT_DIR LINUX_BUILD WIN64_BUILD WIN32_BUILD [WEB_SITE_DIR]
set -euo pipefail
[ $# -eq 4 ] || [ $# -eq 5 ] || {
  echo "usage: $0 OUT_DIR LINUX_BUILD WIN64_BUILD WIN32_BUILD [WEB_SITE_DIR]" >&2; exit 2; }
out=$1 linux_build=$2 win64_build=$3 win32_build=$4 web_site=${5:-}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

. "$source_dir/scripts/release-lib.sh"
release_require dist deps-release tar gzip zip sha256sum
# Every file time in the archives is the commit's time (or SOURCE_DATE_EPOCH when set).
release_epoch dist "$source_dir"
export TZ=UTC LC_ALL=C
if [ -n "$(git -C "$source_dir" status --porcelain 2>/dev/null)" ]; then
  echo "dist: note: the checkout has uncommitted changes; the archives are not those of its commit" >&2
fi

# The version is project()'s in CMakeLists.txt, the one the program prints for --version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux_build/CMakeCache.txt")
[ -n "$version" ] || { echo "dist: no project version in $linux_build/CMakeCache.txt" >&2; exit 1; }

stage=$(mktemp -d -t korvan-dist.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/korvan-*.tar.gz "$out"/korvan-*.zip "$out/SHA256SUMS"

# Owners, modes and times as they will be in the archive, whatever the umask and clock.
normalize() {
  find "$1" -type d -exec chmod 755 {} +
  find "$1" -type f -exec chmod 644 {} +
  [ -z "${2:-}" ] || chmod 755 "$1/$2"
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

pack_zip() {  # folder name in $stage, zip file name
  (cd "$stage" && find "$1" -type f | sort | zip -X -D -9 -q "$out/$2" -@)
}

# Linux: the install tree (program, desktop entry, icons, manual page, metainfo), stripped.
name=korvan-$version-linux-x86_64
cmake --install "$linux_build" --prefix "$stage/$name" --strip >/dev/null
sed "s/@VERSION@/$version/g" "$source_dir/resources/dist/README.linux.txt" >"$stage/$name/README"
mkdir -p "$stage/$name/licences"
cp "$source_dir/resources/fonts/LICENSE.txt" "$stage/$name/licences/DejaVu-fonts.txt"
normalize "$stage/$name" bin/korvan
(cd "$stage" && tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
   --format=gnu -cf - "$name") | gzip -9 -n >"$out/$name.tar.gz"

# Windows: korvan.exe, README.txt (CRLF, for Notepad of any age) and the runtime's licences.
# The .exe links libgcc, libstdc++ and winpthreads statically; their terms come with the
# toolchain that built it.
windows_zip() {  # build folder, arch name, note
  local name=korvan-$version-windows-$2
  # strip writes a PE time stamp, the current time or SOURCE_DATE_EPOCH; 0 keeps it "none",
  # as the linker left it (--no-insert-timestamp).
  SOURCE_DATE_EPOCH=0 cmake --install "$1" --prefix "$stage/$name.install" --strip >/dev/null
  mkdir -p "$stage/$name/licences"
  mv "$stage/$name.install/bin/korvan.exe" "$stage/$name/korvan.exe"
  sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$2/g" -e "s/@NOTE@/$3/" \
      "$source_dir/resources/dist/README.windows.txt" | sed 's/$/\r/' >"$stage/$name/README.txt"
  for doc in mingw-w64-common:mingw-w64-runtime gcc-mingw-w64-base:gcc-runtime; do
    local src=/usr/share/doc/${doc%%:*}/copyright
    [ -f "$src" ] || { echo "dist: $src is missing (make deps-windows installs it)" >&2; exit 1; }
    sed 's/$/\r/' "$src" >"$stage/$name/licences/${doc#*:}.txt"
  done
  normalize "$stage/$name"
  pack_zip "$name" "$name.zip"
}
windows_zip "$win64_build" x64 \
  "This is the 64-bit program; on a 32-bit Windows use the x86 archive."
windows_zip "$win32_build" x86 \
  "This is the 32-bit program; it runs on 32-bit and 64-bit Windows."

# The web page: the static site as built, in a folder of its own.
if [ -n "$web_site" ]; then
  [ -f "$web_site/index.html" ] || { echo "dist: no web page in $web_site (make web builds it)" >&2; exit 1; }
  name=korvan-$version-web
  cp -r "$web_site" "$stage/$name"
  normalize "$stage/$name"
  pack_zip "$name" "$name.zip"
fi

(shopt -s nullglob && cd "$out" && sha256sum -- korvan-*.tar.gz korvan-*.zip korvan_*.deb >SHA256SUMS)
echo "dist: $out"
(cd "$out" && ls -l -- * | awk '{ printf "  %-40s %9d bytes\n", $NF, $5 }')
