# shellcheck shell=bash
# A second copy started with /quiet while one runs returns 1618 at once,
# without loading the ASPI manager and without showing anything; the first
# finishes its flash and returns 0.
run_scenario() {
  e2e_start_updater "$DEMO_EXE" "$here/scenarios/demo.scenario" "$E2E_LOG" n /quiet
  local first=$E2E_UPDATER_PID
  wait_log "^exec ha=0 target=0 lun=0 $PIECE_CDB" 30

  local second_log=$E2E_WORK/second-copy.log code=0
  note "start a second copy"
  WINEDLLOVERRIDES=wnaspi32=n NORVEK_ASPI_LOG="$second_log" \
    NORVEK_ASPI_SCENARIO="$here/scenarios/demo.scenario" \
    timeout 30 "$E2E_WINE" "$E2E_DRIVER" run "$(windows_path "$DEMO_EXE")" /quiet >"$second_log.stdout" 2>&1 ||
    fail "the second copy did not end by itself: $(cat "$second_log.stdout")"
  code=$(tr -d '\r' <"$second_log.stdout" | sed -n 's/^exit code: //p')
  [ "$code" = 1618 ] || fail "the second copy returned $code, not 1618"
  [ ! -e "$second_log" ] || fail "the second copy loaded the ASPI manager: $(head -3 "$second_log")"
  no_window_up
  shot second-copy-gone

  # Wine gives its Unix parent the low 8 bits of the exit code; 0 is 0.
  code=0
  wait "$first" || code=$?
  E2E_UPDATER_PID=
  [ "$code" = 0 ] || fail "the first copy returned $code"
  drive_state 0 revision "$DEMO_NEW_REVISION"
  flash_is_image 0 "$DEMO_IMAGE"
}
