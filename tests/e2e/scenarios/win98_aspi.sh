# shellcheck shell=bash
# The older platform family, where ASPI is the only way to the drives.
scenario_cleanup() { e2e_use_older_family 0; }

run_scenario() {
  e2e_use_older_family 1
  ui os-version
  shows "platform: 1"
  start "$DEMO_EXE" "$here/scenarios/one_drive.scenario"
  dialog Warning "$(notice_text)"
  press Warning "&Yes"
  ui wait-text "It will be updated from" 20
  ui read-texts
  shows "combo[0]: \"$(list_line 0 0 0 0 "" VELMORA "DVDRW KTV-360R" 1.02)\""
  shot main-window
  ui click "&Update"
  dialog Information "$SUCCESS_TEXT"
  shot success
  press Information OK
  ui read-texts
  shows "combo[0]: \"$(list_line 0 0 0 0 "" VELMORA "DVDRW KTV-360R" "$DEMO_NEW_REVISION")\""
  ui click "&Close"
  ended

  log_has '^exec ha=0 target=0 lun=0 cdb=12'
  drive_state 0 revision "$DEMO_NEW_REVISION"
  drive_state 0 commits 1
  flash_is_image 0 "$DEMO_IMAGE"
}
