#!/usr/bin/env bash
# Runs a command as on a host whose kernel cannot execute 32-bit code, to see
# what the suite and the demo do there: in a private mount namespace, Wine's
# 32-bit loader is covered by a file the kernel refuses with "Exec format
# error" (the header of an executable for another processor), as such a
# kernel refuses the i386 loader. Nothing outside the command sees the
# change. Needs root (unshare, mount).
#
#   tests/e2e/without_32bit_code.sh bash tests/e2e/run.sh [SCENARIO...]
#   tests/e2e/without_32bit_code.sh bash scripts/demo
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
loader=/usr/lib/wine/wine
refused=$root/build/e2e/refused-loader
mkdir -p "$(dirname "$refused")"
# ELF, 64-bit, little-endian, an executable for AArch64 (machine 0xB7), the
# rest of the 64-byte header zero: the kernel stops at the machine field.
{
  printf '\177ELF\002\001\001'
  head -c 9 /dev/zero
  printf '\002\000\267\000\001\000\000\000'
  head -c 40 /dev/zero
} >"$refused"
chmod +x "$refused"
if out=$("$refused" 2>&1); then
  echo "without_32bit_code: $refused ran on this host; it cannot stand for a refused loader" >&2
  exit 1
fi
case $out in
  *"Exec format error"*) ;;
  *) echo "without_32bit_code: $refused failed otherwise than with Exec format error: $out" >&2; exit 1 ;;
esac
[ -e "$loader" ] || { echo "without_32bit_code: no $loader to cover" >&2; exit 1; }
exec unshare --mount --propagation private \
  bash -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' without_32bit_code "$refused" "$loader" "$@"
