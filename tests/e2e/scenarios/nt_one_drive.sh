# shellcheck shell=bash
# The NT family on the ASPI path with one matched drive: the notice, the
# window's offer, Update, success, and the drive really holds the image.
run_scenario() {
  start "$DEMO_EXE" "$here/scenarios/one_drive.scenario"
  dialog Warning "$(notice_text)"
  shot notice
  press Warning "&Yes"

  ui wait-text "It will be updated from" 20
  ui read-texts
  shows "title: \"$DEMO_TITLE\""
  shows "combo[0]: \"$(list_line 0 0 0 0 "" VELMORA "DVDRW KTV-360R" 1.02)\""
  shows 'static: "It will be updated from"'
  shows 'static: "1.02"'
  shows 'static: "to"'
  shows "static: \"$DEMO_NEW_REVISION\""
  shows 'button: "&Update" enabled'
  shows 'button: "&Close" enabled'
  shot main-window

  ui click "&Update"
  ui wait-text "Programming" 20
  shot programming
  dialog Information "$SUCCESS_TEXT"
  shot success
  press Information OK

  ui read-texts
  shows "combo[0]: \"$(list_line 0 0 0 0 "" VELMORA "DVDRW KTV-360R" "$DEMO_NEW_REVISION")\""
  shows 'static: "0 %"'
  # At 1.05 the drive is past the range the package admits.
  shows 'static: "This drive is not allowed to be updated."'
  shows 'button: "&Update" disabled'
  shot relisted
  ui click "&Close"
  ended

  log_has '^support status=01 adapters=1'
  log_has '^exec ha=0 target=0 lun=0 cdb=12'
  [ "$(log_count "$COMMIT_CDB")" = 1 ] || fail "expected one commit, the log has $(log_count "$COMMIT_CDB")"
  drive_state 0 revision "$DEMO_NEW_REVISION"
  drive_state 0 commits 1
  drive_state 0 bootcode 1
  flash_is_image 0 "$DEMO_IMAGE"
}
