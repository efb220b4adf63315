# shellcheck shell=bash
# Wine session helpers shared by tests/e2e/run.sh and scripts/demo: a private
# X display, one Wine prefix with the test WNASPI32.DLL installed, starting the
# updater against a scenario, the UI driver, screenshots and waits.
#
# Source it after `set -euo pipefail`; it defines functions and the E2E_*
# variables they share, and starts nothing by itself.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_WIN_BUILD=${NORVEK_WIN_BUILD:-$E2E_ROOT/build/win}
E2E_HOST_BUILD=${NORVEK_HOST_BUILD:-$E2E_ROOT/build/host}
E2E_DRIVER=$E2E_WIN_BUILD/tests/e2e/ui_driver.exe
E2E_DLL=$E2E_WIN_BUILD/sim/aspi-dll/WNASPI32.DLL
E2E_XVFB_PID=
E2E_UPDATER_PID=

e2e_log() { printf '%s\n' "$*" >&2; }

# Starts Xvfb on the first free display from :90 and exports DISPLAY.
e2e_start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    E2E_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { export DISPLAY=":$n"; return 0; }
      kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=
  done
  e2e_log "e2e: no X display could be started"
  return 1
}

e2e_stop_display() {
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=
  fi
}

# Creates (once) and prepares the prefix: the test DLL where a 32-bit
# program's system directory really is, and the fonts a Windows machine has.
# Keeps a wineserver running for the session so each program starts quickly.
e2e_prepare_prefix() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || return 1
  fi
  wineserver -p
  local sysdir=$WINEPREFIX/drive_c/windows/system32
  [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && sysdir=$WINEPREFIX/drive_c/windows/syswow64
  # Wine leaves a placeholder under the lower-case name; replace that file
  # rather than add a second one that differs only in case.
  cp "$E2E_DLL" "$sysdir/wnaspi32.dll"
  # Whatever an interrupted run left behind.
  e2e_use_older_family 0
  e2e_cdrom_letter_x ""
}

# e2e_use_older_family 1|0: the prefix reports the older platform family (or not).
e2e_use_older_family() {
  if [ "$1" = 1 ]; then
    wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
  fi
}

# e2e_cdrom_letter_x FOLDER: drive X: becomes a CD-ROM letter on FOLDER, with
# no device behind it; an empty FOLDER removes it again.
e2e_cdrom_letter_x() {
  local link=$WINEPREFIX/dosdevices/x:
  rm -f "$link"
  if [ -n "$1" ]; then
    ln -s "$1" "$link"
    wine reg add 'HKLM\Software\Wine\Drives' /v x: /d cdrom /f /reg:64 >/dev/null 2>&1
  else
    wine reg delete 'HKLM\Software\Wine\Drives' /v x: /f /reg:64 >/dev/null 2>&1 || true
  fi
}

e2e_stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
}

# e2e_start_updater EXE SCENARIO LOG [OVERRIDE]: starts the updater with the
# test DLL serving SCENARIO (none when empty) and logging into LOG.
e2e_start_updater() {
  local exe=$1 scenario=$2 log=$3 override=${4:-n}
  rm -f "$log" "$log".drive*.flash
  local -a env=(WINEDLLOVERRIDES="wnaspi32=$override" NORVEK_ASPI_LOG="$log")
  [ -n "$scenario" ] && env+=(NORVEK_ASPI_SCENARIO="$scenario")
  env "${env[@]}" wine "$exe" >"$log.stdout" 2>&1 &
  E2E_UPDATER_PID=$!
}

# Waits until the updater has ended (its exit report is written by then).
e2e_wait_updater() {
  local seconds=$1
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$E2E_UPDATER_PID" 2>/dev/null || { wait "$E2E_UPDATER_PID" 2>/dev/null || true; E2E_UPDATER_PID=; return 0; }
    sleep 0.1
  done
  e2e_log "e2e: the updater did not end within $seconds s"
  return 1
}

e2e_kill_updater() {
  if [ -n "$E2E_UPDATER_PID" ]; then
    kill "$E2E_UPDATER_PID" 2>/dev/null || true
    wait "$E2E_UPDATER_PID" 2>/dev/null || true
    E2E_UPDATER_PID=
  fi
}

# The UI driver; its output goes to stdout and to the step log.
e2e_ui() {
  wine "$E2E_DRIVER" "$@"
}

e2e_shot() {
  import -window root "$1"
}
