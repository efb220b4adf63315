# shellcheck shell=bash
# An ASPI manager that wakes the caller before its status is written: every
# request is seen through by looking at the status again, not by sleeping out
# the rest of the time-out, and the drive is flashed as usual.
run_scenario() {
  start "$DEMO_EXE" "$here/scenarios/early_signal.scenario"
  dialog Warning "$(notice_text)"
  press Warning "&Yes"
  ui wait-text "It will be updated from" 30
  ui click "&Update"
  dialog Information "$SUCCESS_TEXT"
  shot success
  press Information OK
  ui click "&Close"
  ended

  drive_state 0 revision "$DEMO_NEW_REVISION"
  drive_state 0 commits 1
  flash_is_image 0 "$DEMO_IMAGE"
}
