# shellcheck shell=bash
# Unattended: /quiet flashes both drives the package allows, in parallel,
# with no window and no dialog ever on screen (the package's notice counts as
# accepted), returns 0, and leaves its run log and its report where /log: and
# /report: say.
run_scenario() {
  local log=$E2E_WORK/run.log report=$E2E_WORK/report.json drive
  quiet "$DEMO_EXE" "$here/scenarios/two_drives.scenario" /quiet \
    "/log:$(windows_path "$log")" "/report:$(windows_path "$report")"
  exit_code_is 0

  [ "$(log_count "$COMMIT_CDB")" = 2 ] || fail "expected two commits, the DLL log has $(log_count "$COMMIT_CDB")"
  for drive in 0 1; do
    drive_state "$drive" revision "$DEMO_NEW_REVISION"
    flash_is_image "$drive" "$DEMO_IMAGE"
  done

  [ -s "$log" ] || fail "no run log at $log"
  cp "$log" "$report" "$E2E_SHOTS/"
  text_of "$log" >"$E2E_WORK/run.txt"
  [ "$(grep -cE '^\+[0-9.]+ result .* flashed$' "$E2E_WORK/run.txt")" = 2 ] || fail "the run log lacks two flashed results"
  grep -qE '^\+[0-9.]+ command [^ ]+ 3b0501000000000000a00000 none 0 -> good' "$E2E_WORK/run.txt" ||
    fail "the run log has no commit line"
  grep -qE '^\+[0-9.]+ identity .* "1\.05"' "$E2E_WORK/run.txt" || fail "the run log has no identity after the flash"
  note "run log: $(wc -l <"$log") lines"

  jq -e '.exitCode == 0 and (.drives | length) == 2 and
         all(.drives[]; .outcome.result == "flashed" and .outcome.after.revision == "1.05")' "$report" \
    >/dev/null || fail "the report does not say both drives were flashed: $(cat "$report")"
}
