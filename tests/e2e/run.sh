#!/usr/bin/env bash
# The end-to-end suite: the real updater under Wine and Xvfb, on the ASPI path
# through the test WNASPI32.DLL (or on the pass-through path with no ASPI at
# all), driven through its window by the UI driver. Each scenario checks what
# the window showed and what the DLL's log says reached the drives, and leaves
# its screenshots and transcript in out/e2e/win32|win64/<scenario>/.
#
#   tests/e2e/run.sh [SCENARIO...]     all scenarios, or the ones named
#
# The scenarios run on each Windows edition this host can execute, found out
# by running the edition's Wine loader: the 32-bit edition (norvek.exe, from
# build/win or NORVEK_WIN_BUILD) and the 64-bit edition (norvek64.exe, from
# build/win64 or NORVEK_WIN64_BUILD). NORVEK_E2E_EDITIONS="64" (or "32")
# limits the run to one. The host packer comes from build/host (or
# NORVEK_HOST_BUILD).
#
# Prints one "e2e result:" line per edition, passed and failed or skipped with
# the reason, then "N passed, M failed" with any skipped edition counted and
# named on the same line. Exits non-zero on a failure.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

all=(template nt_one_drive corrupt_every_pass automode_three win98_aspi up_to_date_no other_vendor passthrough_cdrom
  high_dpi second_copy packed_checksum damaged_file automode_disc_check
  automode_disc_check_failure hung_drive early_signal quiet_two_drives quiet_norestart quiet_second_copy usage_box)
if (($#)); then selected=("$@"); else selected=("${all[@]}"); fi
read -r -a requested <<<"${NORVEK_E2E_EDITIONS:-32 64}"

out_root=$E2E_ROOT/out/e2e
work_root=$E2E_ROOT/build/e2e
suite_start=$(date +%s%3N)
scenario_limit=120  # seconds; the slowest scenario takes a fraction of this

export DEMO_PACK_TOOL=$E2E_HOST_BUILD/tools/pack/norvek-pack
passed=0
failed=0
results=()  # one line per edition
skips=()    # "<edition>: <reason>" per skipped edition

elapsed() {  # seconds since a `date +%s%3N` reading, one decimal
  local ms=$(($(date +%s%3N) - $1))
  printf '%d.%d' $((ms / 1000)) $((ms % 1000 / 100))
}

result() {  # result TEXT: the current edition's outcome
  results+=("e2e result: $E2E_EDITION_NAME: $1")
  echo "e2e: $E2E_EDITION_NAME: $1"
}

skip_edition() {
  result "skipped: $1"
  skips+=("$E2E_EDITION_NAME: $1")
}

# A runnable edition that cannot get going fails, loudly: its scenarios were
# meant to run.
fail_edition() {
  echo "e2e: $E2E_EDITION_NAME: $1"
  failed=$((failed + 1))
  result "0 passed, 1 failed ($1)"
}

cleanup() {
  e2e_stop_wine
  e2e_stop_display
}
trap cleanup EXIT

# The demo package's texts, as the scenarios expect to see them.
export_demo_package() {
  export DEMO_EXE=$E2E_DEMO_EXE
  export DEMO_IMAGE=$E2E_WIN_BUILD/packages/demo/demo-image.bin
  export DEMO_MANIFEST=$E2E_WIN_BUILD/packages/demo/demo.toml
  manifest_value() { sed -n -E "s/^$1 *= *\"(.*)\".*/\1/p" "$DEMO_MANIFEST" | head -1; }
  DEMO_TITLE=$(manifest_value title)
  DEMO_DRIVE_NAME=$(manifest_value drive_name)
  DEMO_NEW_REVISION=$(manifest_value new_revision)
  export DEMO_TITLE DEMO_DRIVE_NAME DEMO_NEW_REVISION
}

# One scenario on the current edition, in a process of its own so that its
# errexit holds whatever this loop does; a hung scenario is ended with its
# whole process group (the updater and the driver under Wine with it).
run_one() {
  local name=$1 out=$2 work=$3 start seconds
  rm -rf "${out:?}" "${work:?}"
  mkdir -p "$out" "$work"
  start=$(date +%s%3N)
  local ok=1
  timeout -k 5 "$scenario_limit" bash "$here/run_scenario.sh" "$name" "$out" "$work" >"$out/output.txt" 2>&1 || ok=0
  # What a killed scenario could not undo itself.
  e2e_use_older_family 0
  e2e_cdrom_letter_x ""
  if [ -f "$work/aspi.log" ]; then cp "$work/aspi.log" "$out/aspi.log"; fi
  seconds=$(elapsed "$start")
  if ((ok)); then
    echo "e2e: $name passed (${seconds} s)"
    return 0
  fi
  echo "e2e: $name FAILED (${seconds} s); ${out#"$E2E_ROOT"/}/output.txt:"
  sed 's/^/    /' "$out/output.txt" | tail -25
  return 1
}

# Every selected scenario on the current edition.
run_edition() {
  local needed missing=()
  for needed in "$E2E_DRIVER" "$E2E_DLL" "$E2E_TEMPLATE_EXE" "$E2E_DEMO_EXE" \
    "$E2E_WIN_BUILD/packages/demo/demo-image.bin" "$E2E_WIN_BUILD/packages/demo/demo.toml" "$DEMO_PACK_TOOL"; do
    [ -f "$needed" ] || missing+=("$needed")
  done
  if ((${#missing[@]})); then
    fail_edition "missing ${missing[*]} (build with scripts/test)"
    return
  fi
  export_demo_package
  if [ -z "$E2E_XVFB_PID" ]; then
    e2e_start_display || { fail_edition "Xvfb cannot start"; return; }
  fi
  echo "e2e: $E2E_EDITION_NAME under $E2E_WINE, prefix build/e2e/prefix-win$E2E_EDITION"
  e2e_prepare_prefix "$work_root/prefix-win$E2E_EDITION" ||
    { fail_edition "wineboot cannot create a Wine prefix"; return; }
  # The first program in a new prefix may take tens of seconds to appear; a
  # second try tells a slow first start from Wine that cannot start a program.
  local started=$work_root/win$E2E_EDITION-first-start.txt
  if ! e2e_ui list-windows >"$started" 2>&1; then
    echo "e2e: the UI driver's first start failed ($(tail -1 "$started")); trying once more"
    if ! e2e_ui list-windows >"$started" 2>&1; then
      fail_edition "Wine cannot start the UI driver: $(tail -1 "$started")"
      e2e_stop_wine
      return
    fi
  fi

  local name edition_passed=0 edition_failed=0
  for name in "${selected[@]}"; do
    if [ ! -f "$here/scenarios/$name.sh" ]; then
      echo "e2e: no scenario $name"
      edition_failed=$((edition_failed + 1))
    elif run_one "$name" "$out_root/win$E2E_EDITION/$name" "$work_root/win$E2E_EDITION/$name"; then
      edition_passed=$((edition_passed + 1))
    else
      edition_failed=$((edition_failed + 1))
    fi
  done
  e2e_stop_wine
  passed=$((passed + edition_passed))
  failed=$((failed + edition_failed))
  result "$edition_passed passed, $edition_failed failed (screenshots in out/e2e/win$E2E_EDITION/)"
}

tools_missing=""
for tool in wineserver Xvfb import timeout; do
  command -v "$tool" >/dev/null || tools_missing+="$tool "
done

# The suite's own footing: runs started together on this host each get an
# X display of their own.
if [ -z "$tools_missing" ]; then
  mkdir -p "$work_root"
  if bash "$here/display_check.sh" >"$work_root/display_check.txt" 2>&1; then
    echo "e2e: display check passed (runs started together get displays of their own)"
    passed=$((passed + 1))
  else
    echo "e2e: display check FAILED:"
    sed 's/^/    /' "$work_root/display_check.txt"
    failed=$((failed + 1))
  fi
fi

for edition in 32 64; do
  e2e_edition "$edition"
  echo
  echo "e2e: === $E2E_EDITION_NAME ==="
  if [[ " ${requested[*]} " != *" $edition "* ]]; then
    skip_edition "not asked for (NORVEK_E2E_EDITIONS=\"${requested[*]}\")"
  elif [ -n "$tools_missing" ]; then
    skip_edition "not installed: ${tools_missing% } (scripts/setup installs them)"
  elif ! reason=$(e2e_edition_runs); then
    skip_edition "$reason"
  else
    run_edition
  fi
done

echo
echo "e2e: wall time $(elapsed "$suite_start") s"
printf '%s\n' "${results[@]}"
summary="$passed passed, $failed failed"
if ((${#skips[@]})); then
  summary+=", ${#skips[@]} edition$( ((${#skips[@]} > 1)) && echo s) skipped ($(printf '%s; ' "${skips[@]}" | sed 's/; $//'))"
fi
echo "$summary"
[ "$failed" -eq 0 ]
