# shellcheck shell=bash
# Only a drive that no rule admits: the no-match message lists it and the
# program ends; the drive was inquired and nothing more.
run_scenario() {
  start "$DEMO_EXE" "$here/scenarios/other_vendor.scenario"
  dialog Error "$(no_match_text "$(list_line 0 0 0 0 "" ORVANTE "DVD-ROM OV-5216" 2.10)")"
  shot no-match
  press Error OK
  ended

  log_has '^exec ha=0 target=0 lun=0 cdb=12'
  log_lacks 'cdb=3b'
  drive_state 0 revision 2.10
  drive_state 0 commits 0
}
