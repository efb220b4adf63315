# shellcheck shell=bash
# A second copy started while one runs leaves every drive alone: it never
# loads the ASPI manager (its discovery would reach a drive in mid-flash),
# it opens no window of its own, and it ends by itself.
run_scenario() {
  start "$DEMO_EXE" "$here/scenarios/one_drive.scenario"
  dialog Warning "$(notice_text)"
  press Warning "&Yes"
  ui wait-text "It will be updated from" 20

  local second_log=$E2E_WORK/second-copy.log
  note "start a second copy"
  WINEDLLOVERRIDES=wnaspi32=n NORVEK_ASPI_LOG="$second_log" \
    NORVEK_ASPI_SCENARIO="$here/scenarios/one_drive.scenario" \
    timeout 30 "$E2E_WINE" "$DEMO_EXE" >"$second_log.stdout" 2>&1 || fail "the second copy did not end by itself"
  [ ! -e "$second_log" ] || fail "the second copy loaded the ASPI manager: $(head -3 "$second_log")"

  ui list-windows
  [ "$(tr -d '\r' <"$E2E_WORK/last.txt" | grep -cF "$DEMO_TITLE")" = 1 ] ||
    fail "expected one updater window: $(cat "$E2E_WORK/last.txt")"
  shot one-window
  ui click "&Close"
  ended
  log_lacks 'cdb=3b'
}
