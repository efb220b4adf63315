# shellcheck shell=bash
# A drive already at the new revision, with the package asking before it
# flashes such a drive again: "&No" ends the program and nothing is written.
run_scenario() {
  local exe
  exe=$(pack up_to_date n2omessage=1 'max_revision="1.05"')
  start "$exe" "$here/scenarios/up_to_date.scenario"
  dialog Warning "$(notice_text)"
  press Warning "&Yes"
  ui wait-text "It will be updated from" 20
  ui read-texts
  shows "combo[0]: \"$(list_line 0 0 0 0 "" VELMORA "DVDRW KTV-360R" 1.05)\""
  shows 'button: "&Update" enabled'
  ui click "&Update"
  dialog Warning "Your drive's Firmware is already the most updated !\\n Do you wish to continue ?"
  shot already-updated
  press Warning "&No"
  ended

  log_has '^exec ha=0 target=0 lun=0 cdb=12'
  log_lacks 'cdb=3b'
  drive_state 0 revision 1.05
  drive_state 0 commits 0
}
