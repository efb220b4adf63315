# shellcheck shell=bash
# As automode_disc_check, but the first drive refuses its commit and so fails
# while the middle drive's "Please remove the disc." dialog is up: the other
# two are still flashed, and the failure is reported exactly once, after all
# three have ended; the program then ends.
run_scenario() {
  disc_check_run "$here/scenarios/disc_in_middle_first_fails.scenario"
  disc_check_outcome Error "$FAILURE_TEXT"
  ended

  only_middle_ejected
  drive_state 0 revision 1.00
  drive_state 0 commits 0
  flash_is_not_image 0 "$DEMO_IMAGE"
  local drive
  for drive in 1 2; do
    drive_state "$drive" revision "$DEMO_NEW_REVISION"
    drive_state "$drive" commits 1
    flash_is_image "$drive" "$DEMO_IMAGE"
  done
}
