#!/bin/sh
# Probes an ability of this machine that some machines of the same kind lack, by trying it.
# Prints nothing and succeeds when the machine has it; otherwise prints why not, in words for a
# "not run here: ..." line, and fails.
#
# Usage: machine-can.sh ABILITY
#   run-i386   execute a 32-bit x86 program (the kernel's IA-32 emulation may be off or
#              missing, whatever its configuration says)
# KORVAN_PRETEND_MISSING="run-i386 ..." makes the named probes fail, to try a stage's way of
# reporting what it could not run.
set -u
ability=${1:?usage: machine-can.sh ABILITY}
case " ${KORVAN_PRETEND_MISSING:-} " in
  *" $ability "*) echo "this machine pretends not to $ability (KORVAN_PRETEND_MISSING)"; exit 1 ;;
esac
case "$ability" in
  run-i386)
    # The smallest static i386 ELF: one segment whose code is exit(42) through int 0x80. No
    # dynamic loader and no library is involved, so only the kernel's answer counts.
    dir=$(mktemp -d) || exit 1
    trap 'rm -rf "$dir"' EXIT
    printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' \
      >"$dir/probe"
    chmod +x "$dir/probe"
    why=$("$dir/probe" 2>&1)
    status=$?
    [ "$status" -eq 42 ] && exit 0
    why=$(printf '%s' "$why" | sed -n 's/.*: \([^:]*\)$/\1/p' | tail -n 1)
    echo "this machine cannot execute 32-bit programs (${why:-exit status $status})"
    exit 1 ;;
  *) echo "machine-can.sh: unknown ability '$ability'" >&2; exit 2 ;;
esac
