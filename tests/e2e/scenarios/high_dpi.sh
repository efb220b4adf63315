# shellcheck shell=bash
# At 144 dots per inch (150 %) the window and every control scale together:
# the client area grows by half and nothing reaches past its edge.
scenario_cleanup() { e2e_use_dpi 96; }

run_scenario() {
  e2e_use_dpi 144
  start "$DEMO_EXE" "$here/scenarios/one_drive.scenario"
  dialog Warning "$(notice_text)"
  press Warning "&Yes"
  ui wait-text "It will be updated from" 20
  ui layout
  # The form's 452 x 140 client area at 96 dpi, scaled by 1.5 (a pixel of
  # rounding either way).
  tr -d '\r' <"$E2E_WORK/last.txt" | grep -qE '^client: (677|678|679)x(209|210|211)$' ||
    fail "the client area did not scale to 150 %: $(grep '^client:' "$E2E_WORK/last.txt")"
  shot scaled-window
  ui click "&Close"
  ended
  log_lacks 'cdb=3b'
}
