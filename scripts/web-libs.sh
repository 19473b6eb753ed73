#!/bin/sh
# Builds libpng and zlib for WebAssembly from Debian's own source packages and keeps them in a
# cache keyed on the source versions and the emscripten version, so a second build (or a
# `make clean`) does not repeat the minute it takes. Emscripten's ports cannot be used: Debian
# ships its library cache frozen and the ports would be downloaded from elsewhere. They serve
# only the node build's PNG capture; the page links neither.
#
#   scripts/web-libs.sh CACHE_DIR JOBS     prints the folder holding include/ and lib/
#
# The versions are pinned (ZLIB_VERSION, LIBPNG_VERSION in the environment
# override them). The sources come through a private apt configuration (a deb-src list, state
# and cache below CACHE_DIR), so nothing under /etc changes and no root is needed.
set -eu

cache=$1
jobs=${2:-2}
: "${ZLIB_VERSION:=1:1.2.13.dfsg-1}"
: "${LIBPNG_VERSION:=1.6.39-2+deb12u5}"
: "${DEBIAN_MIRROR:=http://deb.debian.org/debian}"
: "${DEBIAN_SUITE:=bookworm}"

emcc_version=$(emcc --version | sed -n '1s/.*) \([0-9][0-9.]*\).*/\1/p')
key="zlib-${ZLIB_VERSION}_libpng-${LIBPNG_VERSION}_emcc-${emcc_version}"
key=$(printf '%s' "$key" | tr ':+~' '___')
prefix="$cache/$key"
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

say() { echo "web-libs: $*" >&2; }
say "building libpng and zlib for WebAssembly into $prefix (once per version)"
work="$cache/work.$$"
apt_dir="$cache/apt"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$apt_dir/lists/partial" "$apt_dir/archives/partial"
trap 'rm -rf "$work"' EXIT

cat >"$apt_dir/sources.list" <<EOF
deb-src $DEBIAN_MIRROR $DEBIAN_SUITE main
deb-src $DEBIAN_MIRROR $DEBIAN_SUITE-updates main
EOF
cat >"$apt_dir/apt.conf" <<EOF
Dir::State::Lists "$apt_dir/lists";
Dir::Cache "$apt_dir";
Dir::Cache::archives "$apt_dir/archives";
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/none";
EOF
export APT_CONFIG="$apt_dir/apt.conf"
apt-get -qq update >&2 || { say "cannot reach $DEBIAN_MIRROR for the source packages"; exit 1; }
(cd "$work" && apt-get -qq --download-only source \
    "zlib=$ZLIB_VERSION" "libpng1.6=$LIBPNG_VERSION" >&2) || {
  say "cannot fetch the pinned sources; 'apt-cache showsrc zlib libpng1.6' with"
  say "APT_CONFIG=$APT_CONFIG lists what the archive has: set ZLIB_VERSION, LIBPNG_VERSION"
  exit 1
}
# Only the upstream tarballs are needed; Debian's patches do not touch what is built here.
for pkg in zlib libpng1.6; do
  tarball=$(ls "$work/${pkg}_"*.orig.tar.* | grep -v '\.asc$' | grep -v 'orig-' | head -n 1)
  mkdir -p "$work/$pkg"
  tar -xf "$tarball" -C "$work/$pkg" --strip-components=1
done

mkdir -p "$prefix/include" "$prefix/lib"
# zlib: its CMake file wants win32/zlib1.rc, which the dfsg tarball drops; the library is just
# its C files.
(
  cd "$work/zlib"
  # (A quoted list: its names are source files, not the commands some of them are also called.)
  sources="adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate"
  sources="$sources inftrees trees uncompr zutil"
  for src in $sources; do
    emcc -O3 -DHAVE_UNISTD_H -DHAVE_STDARG_H -c "$src.c" -o "$src.o"
  done
  emar rcs "$prefix/lib/libz.a" ./*.o
  cp zlib.h zconf.h "$prefix/include/"
) >&2

# emcmake hands node flags of another era to CMake's test emulator; the libraries run no tests.
cmake_flags="-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$prefix
  -DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node) -DCMAKE_POLICY_DEFAULT_CMP0074=NEW
  -DZLIB_LIBRARY=$prefix/lib/libz.a -DZLIB_INCLUDE_DIR=$prefix/include"

# shellcheck disable=SC2086
(
  emcmake cmake -S "$work/libpng1.6" -B "$work/png-build" $cmake_flags \
      -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF
  cmake --build "$work/png-build" -j "$jobs"
  cmake --install "$work/png-build"
) >&2
touch "$prefix/.complete"
echo "$prefix"
