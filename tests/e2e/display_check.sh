#!/usr/bin/env bash
# Several end-to-end runs start at once on one host (engineers, CI jobs):
# each must get an X display of its own, served by its own Xvfb. A run that
# shares another's display loses it when that run ends, and its next step
# fails within a second or two for no fault of the program.
#
#   tests/e2e/display_check.sh [RUNS]   exit 0 when RUNS displays started
#                                       together are all distinct and each
#                                       served by the Xvfb that run started
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
runs=${1:-4}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

one_run() {  # writes "DISPLAY PID ALIVE" once its display is up
  e2e_start_display || { echo "none 0 0" >"$work/$1"; return; }
  sleep 1
  local alive=0
  kill -0 "$E2E_XVFB_PID" 2>/dev/null && alive=1
  echo "$DISPLAY $E2E_XVFB_PID $alive" >"$work/$1"
  sleep 1
  e2e_stop_display
}

for i in $(seq "$runs"); do one_run "$i" & done
wait
bad=0
for i in $(seq "$runs"); do
  read -r display pid alive <"$work/$i"
  echo "run $i: display $display, Xvfb $pid, alive $alive"
  [ "$alive" = 1 ] || bad=1
done
if [ "$(cut -d' ' -f1 "$work"/* | sort -u | wc -l)" != "$runs" ]; then
  echo "display_check: runs share a display"
  bad=1
fi
exit "$bad"
