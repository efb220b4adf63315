# shellcheck shell=bash
# Automatic mode without the notice: all three matched drives are flashed at
# once, in parallel, and the outcome is reported once.
run_scenario() {
  local exe
  exe=$(pack automode automode=1 warning=0)
  start "$exe" "$here/scenarios/three_drives.scenario"
  dialog Information "$SUCCESS_TEXT"
  shot success
  press Information OK

  ui read-texts
  shows "combo[0]: \"$(list_line 0 0 0 0 "" VELMORA "DVDRW KTV-360R" "$DEMO_NEW_REVISION")\""
  shows "combo[1]: \"$(list_line 1 0 0 0 "" VELMORA "DVDRW KTV-360R" "$DEMO_NEW_REVISION")\""
  shows "combo[2]: \"$(list_line 2 0 0 0 "" VELMORA "DVDRW KTV-360R" "$DEMO_NEW_REVISION")\""
  shot relisted
  ui click "&Close"
  ended

  [ "$(log_count "$COMMIT_CDB")" = 3 ] || fail "expected three commits, the log has $(log_count "$COMMIT_CDB")"
  local drive
  for drive in 0 1 2; do
    log_has "^exec ha=$drive target=0 lun=0 $PIECE_CDB"
    drive_state "$drive" revision "$DEMO_NEW_REVISION"
    drive_state "$drive" commits 1
    flash_is_image "$drive" "$DEMO_IMAGE"
  done
}
