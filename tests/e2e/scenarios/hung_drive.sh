# shellcheck shell=bash
# Automatic mode with the disc check: the first drive hangs in its check.
# The window gives up on it after the short time-out, not 30 hours: the
# second drive is flashed, the failure is reported once and the program ends.
run_scenario() {
  local exe
  exe=$(pack hung_drive automode=1 warning=0 chkdisc=1)
  start "$exe" "$here/scenarios/hung_drive.scenario"
  wait_log "^exec ha=0 target=0 lun=0 cdb=00.* hung" 30
  shot hung
  dialog Error "$FAILURE_TEXT"
  press Error OK
  ended

  drive_state 0 revision 1.00
  drive_state 0 commits 0
  log_lacks "^exec ha=0 target=0 lun=0 $COMMIT_CDB"
  drive_state 1 revision "$DEMO_NEW_REVISION"
  drive_state 1 commits 1
  flash_is_image 1 "$DEMO_IMAGE"
}
