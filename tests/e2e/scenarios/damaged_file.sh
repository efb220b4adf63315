# shellcheck shell=bash
# The updater's own file with one byte flipped inside the image area (a
# damaged download, a file changed after packing), in automatic mode: at
# start-up it checks its PE checksum, says what is wrong in an error dialog
# and ends without touching a drive.
run_scenario() {
  local exe damaged=$E2E_WORK/flipped.exe block at sums
  exe=$(pack packed automode=1 warning=0)
  block=$("$DEMO_PACK_TOOL" inspect "$exe" | sed -n -E 's/^File: .*\(package block at file offset ([0-9]+)\)$/\1/p')
  [ -n "$block" ] || fail "inspect does not say where the package block is"
  # 2131: the image area's offset in the block; half a megabyte into the image.
  at=$((block + 2131 + 524288))
  cp "$exe" "$damaged"
  printf "\\x$(printf '%02x' $(($(od -An -tu1 -j"$at" -N1 "$exe") ^ 0x10)))" |
    dd of="$damaged" bs=1 seek="$at" conv=notrunc status=none
  cmp -s "$exe" "$damaged" && fail "the byte at $at was not changed"
  "$DEMO_PACK_TOOL" inspect "$damaged" >"$E2E_WORK/inspect.txt" 2>&1 || true
  sums=$(sed -n -E 's/^PE checksum: (0x[0-9a-f]{8}), the file sums to (0x[0-9a-f]{8})$/\1 \2/p' "$E2E_WORK/inspect.txt")
  [ -n "$sums" ] || fail "inspect takes the flipped file's checksum for right: $(grep '^PE checksum' "$E2E_WORK/inspect.txt")"
  note "byte $at flipped: checksum and sum $sums"

  start "$damaged" "$here/scenarios/one_drive.scenario"
  dialog Error "This updater's file is damaged or was changed after it was packed: its PE checksum is ${sums% *}, but its bytes sum to ${sums#* }.\\n\\nNo drive was changed. Please download the updater again."
  shot damaged-file
  press Error OK
  ended
  log_lacks '^(exec|dev_type|ha_inquiry) '
}
