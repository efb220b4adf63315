#!/usr/bin/env bash
# The .deb of norvek-flash: built with CPack from the build folder, it
# depends on the libraries the program uses, every dependency is one this
# machine can satisfy, and installed (into a dpkg root of its own, so the
# test leaves the machine's package database alone) it puts the program and
# its man page in place, and the installed program answers --help. lintian
# finds no error in it (copyright, changelog, maintainer, description).
#   deb_install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "deb test: $*" >&2; exit 1; }

cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/norvek-flash_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no .deb made"

command -v lintian >/dev/null || fail "lintian is not installed (scripts/setup installs it)"
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian reports errors"; }
if grep -q '^E: ' "$work/lintian.log"; then cat "$work/lintian.log"; fail "lintian reports errors"; fi
echo "lintian: no error ($(grep -c '^[WI]: ' "$work/lintian.log" || true) warnings and notes)"
[ "$(dpkg-deb -f "$deb" Suggests)" = "sg3-utils" ] || fail "the package does not suggest sg3-utils"
# Texts are read whole before they are searched: with pipefail, a grep -q
# that stops at its match would fail the writer still writing into the pipe.
description=$(dpkg-deb -f "$deb" Description)
grep -q 'VELMORA DVDRW KTV-360R' <<<"$description" || fail "the description does not name the drive"
maintainer=$(dpkg-deb -f "$deb" Maintainer)

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libsystemd0 libsgutils2 libssl3 libcap2; do
  grep -q "$library" <<<"$depends" || fail "the package does not depend on $library"
done
apt-get install --simulate --no-download "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "the package's dependencies cannot be met here"; }

contents=$(dpkg-deb -c "$deb")
grep -q '\./usr/bin/norvek-flash$' <<<"$contents" || fail "no /usr/bin/norvek-flash in the package"
grep -q '\./usr/share/man/man1/norvek-flash\.1\.gz$' <<<"$contents" || fail "no man page in the package"

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log"; fail "dpkg could not install it"; }
[ -x "$root/usr/bin/norvek-flash" ] || fail "the program is not installed"
# The released program, never the tests' build whose machine roots can be moved.
if grep -q 'norvek-flash-test' <<<"$contents" || grep -qa 'NORVEK_SYSFS_ROOT' "$root/usr/bin/norvek-flash"; then
  fail "the package carries the test build of the program"
fi
help=$("$root/usr/bin/norvek-flash" --help) || fail "the installed program's --help failed"
grep -q 'Exit codes: 0 done' <<<"$help" || fail "--help does not show the exit codes"
man_page=$(zcat "$root/usr/share/man/man1/norvek-flash.1.gz")
grep -q '^\.SH EXIT STATUS' <<<"$man_page" || fail "the man page has no exit status"
grep -qF "Upstream-Contact: $maintainer" "$root/usr/share/doc/norvek-flash/copyright" ||
  fail "the copyright file does not name the maintainer ($maintainer)"
changelog=$(zcat "$root/usr/share/doc/norvek-flash/changelog.gz")
grep -qF -- " -- $maintainer  " <<<"$changelog" ||
  fail "the changelog is not signed by the maintainer ($maintainer)"
if command -v man >/dev/null && grep -q 'EXIT STATUS' <<<"$(man -l "$root/usr/share/man/man1/norvek-flash.1.gz" 2>/dev/null)"; then
  echo "man renders the page"
fi
echo "deb test: $(basename "$deb") installs norvek-flash and its man page; --help works"
