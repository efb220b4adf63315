#!/usr/bin/env bash
# The end-to-end suite: the real updater under Wine and Xvfb, on the ASPI path
# through the test WNASPI32.DLL (or on the pass-through path with no ASPI at
# all), driven through its window by the UI driver. Each scenario checks what
# the window showed and what the DLL's log says reached the drives, and leaves
# its screenshots and transcript in out/e2e/<scenario>/.
#
#   tests/e2e/run.sh [SCENARIO...]     all scenarios, or the ones named
#
# Needs the Windows build (build/win, or NORVEK_WIN_BUILD) and the host
# packer (build/host, or NORVEK_HOST_BUILD). Prints "N passed, M failed" and
# exits non-zero on a failure; where Wine cannot start it skips everything.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

all=(template nt_one_drive corrupt_every_pass automode_three win98_aspi up_to_date_no other_vendor passthrough_cdrom high_dpi second_copy)
if (($#)); then selected=("$@"); else selected=("${all[@]}"); fi

skip_all() {
  echo "e2e: skipped: $1"
  echo "0 passed, 0 failed, ${#selected[@]} skipped"
  exit 0
}

out=$E2E_ROOT/out/e2e
work=$E2E_ROOT/build/e2e
suite_start=$(date +%s%3N)

for tool in wine wineboot wineserver Xvfb import; do
  command -v "$tool" >/dev/null || skip_all "$tool is not installed"
done

# What the suite runs: missing pieces are a failure of the build, not a skip.
export DEMO_EXE=$E2E_WIN_BUILD/norvek-demo.exe
export DEMO_IMAGE=$E2E_WIN_BUILD/packages/demo/demo-image.bin
export DEMO_MANIFEST=$E2E_WIN_BUILD/packages/demo/demo.toml
export DEMO_PACK_TOOL=$E2E_HOST_BUILD/tools/pack/norvek-pack
for needed in "$E2E_DRIVER" "$E2E_DLL" "$E2E_WIN_BUILD/src/app/norvek.exe" "$DEMO_EXE" "$DEMO_IMAGE" \
  "$DEMO_MANIFEST" "$DEMO_PACK_TOOL"; do
  if [ ! -f "$needed" ]; then
    echo "e2e: missing $needed (build with scripts/test, or cmake build/win and build/host)"
    echo "0 passed, 1 failed"
    exit 1
  fi
done
# The demo package's texts, as the scenarios expect to see them.
manifest_value() { sed -n -E "s/^$1 *= *\"(.*)\".*/\1/p" "$DEMO_MANIFEST" | head -1; }
DEMO_TITLE=$(manifest_value title)
DEMO_DRIVE_NAME=$(manifest_value drive_name)
DEMO_NEW_REVISION=$(manifest_value new_revision)
export DEMO_TITLE DEMO_DRIVE_NAME DEMO_NEW_REVISION

elapsed() {  # seconds since a `date +%s%3N` reading, one decimal
  local ms=$(($(date +%s%3N) - $1))
  printf '%d.%d' $((ms / 1000)) $((ms % 1000 / 100))
}

mkdir -p "$work" "$out"
cleanup() {
  e2e_stop_wine
  e2e_stop_display
}
trap cleanup EXIT

e2e_start_display || skip_all "Xvfb cannot start"
e2e_prepare_prefix "$work/prefix" || skip_all "wineboot cannot create a Wine prefix"
e2e_ui list-windows >/dev/null 2>&1 || skip_all "Wine cannot start a program"

scenario_limit=120  # seconds; the slowest scenario takes a fraction of this
passed=0
failed=0
for name in "${selected[@]}"; do
  file=$here/scenarios/$name.sh
  [ -f "$file" ] || { echo "e2e: no scenario $name"; failed=$((failed + 1)); continue; }
  rm -rf "${out:?}/$name" "${work:?}/$name"
  mkdir -p "$out/$name" "$work/$name"
  start=$(date +%s%3N)
  # A process of its own, so that its errexit holds whatever this loop does;
  # a hung scenario is ended with its whole process group (the updater and
  # the driver under Wine with it).
  if timeout -k 5 "$scenario_limit" bash "$here/run_scenario.sh" "$name" "$out/$name" "$work/$name" \
    >"$out/$name/output.txt" 2>&1; then
    result=ok
  else
    result=FAILED
  fi
  # What a killed scenario could not undo itself.
  e2e_use_older_family 0
  e2e_cdrom_letter_x ""
  if [ -f "$work/$name/aspi.log" ]; then cp "$work/$name/aspi.log" "$out/$name/aspi.log"; fi
  seconds=$(elapsed "$start")
  if [ "$result" = ok ]; then
    passed=$((passed + 1))
    echo "e2e: $name passed (${seconds} s)"
  else
    failed=$((failed + 1))
    echo "e2e: $name FAILED (${seconds} s); out/e2e/$name/output.txt:"
    sed 's/^/    /' "$out/$name/output.txt" | tail -25
  fi
done

echo "e2e: wall time $(elapsed "$suite_start") s; screenshots in out/e2e/"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
