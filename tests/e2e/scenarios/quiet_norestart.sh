# shellcheck shell=bash
# Unattended with a package that asks for a restart: /norestart leaves it to
# the caller with 3010 and restarts nothing. Without /log: the run log goes
# to %ProgramData%\Norvek\Logs.
run_scenario() {
  local exe logs=$WINEPREFIX/drive_c/ProgramData/Norvek/Logs before
  exe=$(pack reboot reboot=1)
  before=$(find "$logs" -name '*.log' 2>/dev/null | wc -l || true)
  quiet "$exe" "$here/scenarios/one_drive.scenario" /quiet /norestart
  exit_code_is 3010
  drive_state 0 revision "$DEMO_NEW_REVISION"
  flash_is_image 0 "$DEMO_IMAGE"

  local newest
  newest=$(ls -t "$logs"/norvek-*.log 2>/dev/null | head -1 || true)
  [ "$(find "$logs" -name '*.log' | wc -l)" -gt "$before" ] && [ -n "$newest" ] ||
    fail "no new run log in C:\\ProgramData\\Norvek\\Logs"
  cp "$newest" "$E2E_SHOTS/"
  grep -q 'asks for a restart; left to the caller' "$newest" || fail "the run log does not say why 3010"
  grep -q 'exit code 3010' "$newest" || fail "the run log lacks the exit code"
}
