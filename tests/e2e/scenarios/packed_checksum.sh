# shellcheck shell=bash
# The packer on this edition's template (PE32 for the 32-bit edition, PE32+
# for the 64-bit one): the package it writes carries the PE checksum that a
# second implementation (osslsigncode) computes, inspect reads the package
# back whole, a damaged checksum is caught by both, and the package runs.
run_scenario() {
  local exe magic stored field damaged=$E2E_WORK/damaged.exe
  exe=$(pack checksum 'title="Checksum check"')

  magic=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n -E 's/^Magic[[:space:]]+([0-9a-f]{4}).*/\1/p')
  case "$E2E_EDITION:$magic" in
    32:010b | 64:020b) note "optional header magic $magic" ;;
    *) fail "the $E2E_EDITION-bit package has optional header magic '$magic'" ;;
  esac

  "$DEMO_PACK_TOOL" inspect "$exe" >"$E2E_WORK/inspect.txt" 2>&1 || fail "inspect: $(cat "$E2E_WORK/inspect.txt")"
  grep -qF 'Title:       "Checksum check"' "$E2E_WORK/inspect.txt" || fail "inspect lost the title: $(head -4 "$E2E_WORK/inspect.txt")"
  grep -qF "sha256 $(sha256sum "$DEMO_IMAGE" | cut -d' ' -f1)" "$E2E_WORK/inspect.txt" ||
    fail "inspect does not show the demo image's digest: $(grep 'bank 1:' "$E2E_WORK/inspect.txt")"
  stored=$(sed -n -E 's/^PE checksum: 0x([0-9a-f]{8}) \(matches\)$/\1/p' "$E2E_WORK/inspect.txt")
  [ -n "$stored" ] || fail "inspect finds the checksum wrong: $(grep '^PE checksum' "$E2E_WORK/inspect.txt")"
  note "inspect: PE checksum $stored matches"

  # osslsigncode prints the one checksum when stored and computed agree, and
  # both (with a warning) when they differ. Unsigned, its verdict is "Failed".
  osslsigncode verify -in "$exe" >"$E2E_WORK/osslsigncode.txt" 2>&1 || true
  grep -qiE "^PE checksum *: *$stored\$" "$E2E_WORK/osslsigncode.txt" ||
    fail "osslsigncode disagrees with $stored: $(grep -i checksum "$E2E_WORK/osslsigncode.txt")"
  note "osslsigncode: PE checksum $stored"

  # One byte of the stored field changed: both checkers must notice.
  cp "$exe" "$damaged"
  field=$(($(od -An -tu4 -j60 -N4 "$exe") + 24 + 64))
  printf '\x5a' | dd of="$damaged" bs=1 seek="$field" conv=notrunc status=none
  "$DEMO_PACK_TOOL" inspect "$damaged" >"$E2E_WORK/damaged-inspect.txt" 2>&1 || true
  grep -qF 'the file sums to' "$E2E_WORK/damaged-inspect.txt" || fail "inspect takes a damaged checksum for right"
  osslsigncode verify -in "$damaged" >"$E2E_WORK/damaged-osslsigncode.txt" 2>&1 || true
  grep -qi 'invalid PE checksum' "$E2E_WORK/damaged-osslsigncode.txt" ||
    fail "osslsigncode takes a damaged checksum for right"
  note "a damaged checksum is reported by both"

  E2E_WINDOW="Checksum check"
  start "$exe" "$here/scenarios/one_drive.scenario"
  dialog Warning "$(notice_text)"
  press Warning "&Yes"
  ui wait-text "It will be updated from" 20
  ui read-texts
  shows 'title: "Checksum check"'
  shot packed-window
  ui click "&Close"
  ended
  log_lacks 'cdb=3b'
}
