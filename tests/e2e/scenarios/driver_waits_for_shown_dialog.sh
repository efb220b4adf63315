# shellcheck shell=bash
# The UI driver itself: a dialog that has its caption long before its text
# and button and is shown only then. Taking it early read an empty text, and
# a scenario failed at its first dialog step for no fault of the program.
run_scenario() {
  start "$E2E_WIN_BUILD/tests/e2e/slow_dialog.exe" ""
  dialog Warning "Built at last."
  press Warning OK
  e2e_wait_updater 20 || fail "the dialog program did not end"
}
