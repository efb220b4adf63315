# shellcheck shell=bash
# /? shows the usage and the exit codes in a message box, as Windows
# programs do, and touches no drive; a switch /quiet does not know ends the
# run at once with 4, showing nothing.
run_scenario() {
  note "start $(basename "$DEMO_EXE") /?"
  e2e_start_updater "$DEMO_EXE" "$here/scenarios/one_drive.scenario" "$E2E_LOG" n "/?"
  ui wait-dialog Norvek "" 30
  shows '/quiet'
  shows '3010'
  shows '1618'
  shot usage
  press Norvek OK
  e2e_wait_updater 20 || fail "the updater did not end after the usage box"
  log_lacks 'cdb='

  quiet "$DEMO_EXE" "$here/scenarios/one_drive.scenario" /quiet /frobnicate
  exit_code_is 4
  log_lacks 'cdb='
}
