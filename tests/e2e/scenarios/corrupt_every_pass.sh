# shellcheck shell=bash
# A drive whose read-back never verifies: three passes, no commit, and the
# failure message; the program ends after it.
run_scenario() {
  start "$DEMO_EXE" "$here/scenarios/corrupt_every_pass.scenario"
  dialog Warning "$(notice_text)"
  press Warning "&Yes"
  ui wait-text "It will be updated from" 20
  ui click "&Update"
  dialog Error "$FAILURE_TEXT"
  shot failure
  press Error OK
  ended

  # The first piece goes out once per pass, and there are three passes.
  local first_piece='cdb=3b0501000000004000000000 dir=out len=16384'
  [ "$(log_count "$first_piece")" = 3 ] || fail "expected 3 passes, the log has $(log_count "$first_piece")"
  log_lacks "$COMMIT_CDB"
  drive_state 0 revision 1.02
  drive_state 0 commits 0
  flash_is_not_image 0 "$DEMO_IMAGE"
}
