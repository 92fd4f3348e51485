#!/usr/bin/env bash
# Reads the ELF files given (the program and everything it loads, as built
# or as packaged) and fails on any that would load a library from elsewhere
# than its own folder or lacks the hardening Debian builds packages with:
#   - RUNPATH exactly $ORIGIN: no RPATH, no second or empty entry (an empty
#     entry is the current folder, from which a planted library would load);
#   - relocations read-only (GNU_RELRO) and bound at load time (BIND_NOW);
#   - with debug information (the build tree): every unit of our code
#     compiled with -fstack-protector-strong (a library whose functions have
#     no buffer has no canary to find, so the symbol alone cannot tell).
#
#   tests/app/elfcheck.sh FILE...
set -euo pipefail
failed=0
fail() { echo "$1: $2"; failed=1; }
for f in "$@"; do
  dyn=$(readelf -dW "$f")
  runpath=$(echo "$dyn" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ "$runpath" = '$ORIGIN' ] || fail "$f" "RUNPATH is [${runpath}], not [\$ORIGIN]"
  ! echo "$dyn" | grep -q '(RPATH)' || fail "$f" "has an RPATH"
  echo "$dyn" | grep -qE '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' || fail "$f" "not bound at load time (now)"
  readelf -lW "$f" | grep -q GNU_RELRO || fail "$f" "no read-only relocations (relro)"
  # Each unit names its compiler and options ("GNU C++17 12.2.0 -O2 ...");
  # the debug strings hold each such text once.
  producers=$(readelf -p .debug_str "$f" 2>/dev/null | grep -oE 'GNU C(\+\+)?[0-9]* [0-9.]+ .*' || true)
  if [ -n "$producers" ]; then
    unprotected=$(echo "$producers" | grep -v -- '-fstack-protector-strong' || true)
    [ -z "$unprotected" ] || fail "$f" "built without -fstack-protector-strong: $unprotected"
  fi
done
[ $failed = 0 ] && echo "$# files: RUNPATH \$ORIGIN, relro, now, stack protector"
exit $failed
