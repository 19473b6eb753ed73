# Shared part of the release scripts (sourced by dist.sh and deb.sh, not run). NAME starts their
# messages.
#   release_require NAME TARGET TOOL...  every TOOL is on the PATH, or a line says which make
#                                        TARGET installs it
#   release_epoch NAME SOURCE_DIR        exports SOURCE_DATE_EPOCH: the commit's time unless set,
#                                        so every file time in a release is the commit's
release_require() {
  local name=$1 target=$2 tool
  shift 2
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || {
      echo "$name: '$tool' is missing (make $target installs it)" >&2; exit 1; }
  done
}

release_epoch() {
  if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$2" log -1 --format=%ct 2>/dev/null) || {
      echo "$1: not a git checkout; set SOURCE_DATE_EPOCH to the release's time" >&2; exit 1; }
  fi
  export SOURCE_DATE_EPOCH
}
