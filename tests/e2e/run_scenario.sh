#!/usr/bin/env bash
# Runs one scenario of the end-to-end suite in a process of its own (run.sh
# calls it inside the prepared Wine session: DISPLAY, WINEPREFIX, DEMO_*).
#
#   run_scenario.sh NAME SHOTS_FOLDER WORK_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"

E2E_NAME=$1
E2E_SHOTS=$2
E2E_WORK=$3
E2E_LOG=$E2E_WORK/aspi.log
E2E_WINDOW=$DEMO_TITLE
# shellcheck source=steps.sh
source "$here/steps.sh"

# A scenario may define its own scenario_cleanup (registry, drive letters).
scenario_cleanup() { :; }
# shellcheck disable=SC1090
source "$here/scenarios/$E2E_NAME.sh"
trap 'e2e_kill_updater; scenario_cleanup' EXIT
run_scenario
echo "scenario $E2E_NAME passed"
