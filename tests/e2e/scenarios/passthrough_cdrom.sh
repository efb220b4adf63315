# shellcheck shell=bash
# No ASPI manager at all, and a CD-ROM drive letter with no device behind it:
# the pass-through path finds it, cannot learn its address, lists it with a
# synthetic one and an empty identity (in this test build with the note that
# it flashes only virtual drives), and ends with the no-match message.
scenario_cleanup() { e2e_cdrom_letter_x ""; }

run_scenario() {
  mkdir -p "$E2E_WORK/disc"
  e2e_cdrom_letter_x "$E2E_WORK/disc"
  start "$DEMO_EXE" "" d
  dialog Error "$(no_match_text "$(list_line 2 0 0 0 "X:" "" "" "")$TEST_BUILD_NOTE")"
  shot no-match
  press Error OK
  ended

  # The ASPI library was never there, so nothing reached it.
  [ ! -e "$E2E_LOG" ] || fail "the ASPI DLL was loaded: $(head -3 "$E2E_LOG")"
}
