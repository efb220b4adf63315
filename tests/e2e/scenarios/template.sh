# shellcheck shell=bash
# The template as built, with no firmware packed into it: it says so and ends
# without touching a drive.
run_scenario() {
  E2E_WINDOW="Norvek"
  start "$E2E_TEMPLATE_EXE" "$here/scenarios/one_drive.scenario"
  dialog Error "No F/W in executable !"
  shot no-firmware
  press Error OK
  ended
  log_lacks '^(exec|dev_type|ha_inquiry) '
}
