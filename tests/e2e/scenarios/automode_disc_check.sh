# shellcheck shell=bash
# Automatic mode with the disc check and three matched drives, the middle one
# holding a disc: the first drive is flashed while the middle drive's
# "Please remove the disc." dialog is up, the other two after it, and the
# success is reported exactly once, after all three.
run_scenario() {
  disc_check_run "$here/scenarios/disc_in_middle.scenario"
  disc_check_outcome Information "$SUCCESS_TEXT"
  sleep 2
  dialogs_up

  ui read-texts
  local drive
  for drive in 0 1 2; do
    shows "combo[$drive]: \"$(list_line "$drive" 0 0 0 "" VELMORA "DVDRW KTV-360R" "$DEMO_NEW_REVISION")\""
  done
  shot relisted
  ui click "&Close"
  ended

  only_middle_ejected
  for drive in 0 1 2; do
    drive_state "$drive" revision "$DEMO_NEW_REVISION"
    drive_state "$drive" commits 1
    flash_is_image "$drive" "$DEMO_IMAGE"
  done
}
