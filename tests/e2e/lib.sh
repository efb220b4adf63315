# shellcheck shell=bash
# Wine session helpers shared by tests/e2e/run.sh and scripts/demo: which
# Windows editions this host can run, a private X display, one Wine prefix per
# edition with the test WNASPI32.DLL installed, starting the updater against a
# scenario, the UI driver, screenshots and waits.
#
# Source it after `set -euo pipefail`; it defines functions and the E2E_*
# variables they share, and starts nothing by itself. E2E_EDITION (32 or 64,
# default 32) picks the edition the helpers work with; e2e_edition changes it.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_HOST_BUILD=${NORVEK_HOST_BUILD:-$E2E_ROOT/build/host}
E2E_XVFB_PID=
E2E_UPDATER_PID=

# e2e_edition 32|64: the edition every later helper works with, and where its
# pieces are. Each edition runs under the Wine loader of its own width, called
# directly: Debian's `wine` script picks the 32-bit loader whenever it is
# installed, even where the kernel cannot execute it.
#   E2E_EDITION_NAME   "32-bit edition (norvek.exe)", for messages
#   E2E_WIN_BUILD      its build folder (NORVEK_WIN_BUILD, NORVEK_WIN64_BUILD)
#   E2E_WINE           the Wine loader that runs its programs
#   E2E_WINEARCH       the kind of prefix it needs
#   E2E_TEMPLATE_EXE   the template as built; E2E_DEMO_EXE the demo package
#   E2E_DRIVER         the UI driver; E2E_DLL the test ASPI manager
e2e_edition() {
  local exe
  case $1 in
    32)
      E2E_WIN_BUILD=${NORVEK_WIN_BUILD:-$E2E_ROOT/build/win}
      E2E_WINE=/usr/lib/wine/wine
      E2E_WINEARCH=""  # Wine's default; a 32-bit program's system folder is then syswow64
      exe=norvek
      ;;
    64)
      E2E_WIN_BUILD=${NORVEK_WIN64_BUILD:-$E2E_ROOT/build/win64}
      E2E_WINE=/usr/lib/wine/wine64
      E2E_WINEARCH=win64
      exe=norvek64
      ;;
    *)
      e2e_log "e2e: no edition $1 (32 or 64)"
      return 1
      ;;
  esac
  export E2E_EDITION=$1
  E2E_EDITION_NAME="$1-bit edition ($exe.exe)"
  E2E_TEMPLATE_EXE=$E2E_WIN_BUILD/src/app/$exe.exe
  E2E_DEMO_EXE=$E2E_WIN_BUILD/$exe-demo.exe
  E2E_DRIVER=$E2E_WIN_BUILD/tests/e2e/ui_driver.exe
  E2E_DLL=$E2E_WIN_BUILD/sim/aspi-dll/WNASPI32.DLL
}

# e2e_edition_runs: whether this host can execute the current edition's Wine
# loader, found out by running it; when it cannot, prints why. A kernel
# without 32-bit support refuses the 32-bit loader with "Exec format error".
e2e_edition_runs() {
  local out
  if [ ! -e "$E2E_WINE" ]; then
    echo "its Wine loader $E2E_WINE is not installed"
    return 1
  fi
  if out=$("$E2E_WINE" --version 2>&1); then return 0; fi
  out=$(tail -1 <<<"$out")
  echo "this host cannot execute $E2E_EDITION-bit code ($E2E_WINE: ${out##*"$E2E_WINE": })"
  return 1
}

e2e_log() { printf '%s\n' "$*" >&2; }

# The Wine loader of the current edition, on the current prefix.
e2e_wine() { "$E2E_WINE" "$@"; }

# Starts Xvfb on a display of its own and exports DISPLAY. Xvfb picks the
# number itself (-displayfd), taking the display's lock as it does: picking a
# free-looking number here and starting Xvfb on it races other runs on this
# host, and the loser would use the winner's display, which vanishes when
# that run ends (tests/e2e/display_check.sh shows it).
e2e_start_display() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  E2E_XVFB_PID=$!
  for _ in $(seq 100); do
    if [ -s "$number_file" ]; then
      export DISPLAY=":$(head -1 "$number_file")"
      rm -f "$number_file"
      return 0
    fi
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  kill "$E2E_XVFB_PID" 2>/dev/null || true
  E2E_XVFB_PID=
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

# Creates (once) and prepares the current edition's prefix: the test DLL where
# the edition's system directory really is, and the fonts a Windows machine
# has. Keeps a wineserver running for the session so each program starts
# quickly.
e2e_prepare_prefix() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  if [ -n "$E2E_WINEARCH" ]; then export WINEARCH=$E2E_WINEARCH; else unset WINEARCH; fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    e2e_wine wineboot.exe -i >/dev/null 2>&1 || return 1
  fi
  # A 64-bit program's system directory is system32; a 32-bit program's is
  # syswow64 in a 64-bit prefix.
  local sysdir=$WINEPREFIX/drive_c/windows/system32
  if [ "$E2E_EDITION" = 32 ] && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    sysdir=$WINEPREFIX/drive_c/windows/syswow64
  fi
  # Wine leaves a placeholder under the lower-case name; replace that file
  # rather than add a second one that differs only in case.
  cp "$E2E_DLL" "$sysdir/wnaspi32.dll"
  # A Wine desktop of the display's size, which draws the windows' frames and
  # title bars itself (Xvfb has no window manager to do it), and the fonts
  # the window asks for, which a Windows machine has and Wine lacks.
  local key value
  e2e_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  e2e_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  for key in "Courier New=Liberation Mono" "Arial=Liberation Sans" "Verdana=DejaVu Sans"; do
    value=${key#*=}
    e2e_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${key%%=*}" /d "$value" /f >/dev/null 2>&1
  done
  # A program that crashes just ends: the debugger Wine would start instead
  # waits for ever, and the run with it.
  e2e_wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
  # Whatever an interrupted run left behind.
  e2e_use_older_family 0
  e2e_cdrom_letter_x ""
  # The desktop settings count from the session's start: begin a new one.
  e2e_restart_session
}

# Ends the prefix's Wine session (its programs and services) and starts a
# new, persistent one, so each program starts quickly and sees settings that
# Wine reads only when a session begins.
e2e_restart_session() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  wineserver -p
}

# e2e_use_older_family 1|0: the prefix reports the older platform family (or not).
e2e_use_older_family() {
  if [ "$1" = 1 ]; then
    e2e_wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
  else
    e2e_wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
  fi
}

# e2e_use_dpi DPI: the prefix's screen resolution in dots per inch (96 is the
# default). Programs read it when the session starts, so a change restarts it.
e2e_use_dpi() {
  e2e_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  e2e_restart_session
}

# e2e_cdrom_letter_x FOLDER: drive X: becomes a CD-ROM letter on FOLDER, with
# no device behind it; an empty FOLDER removes it again. Wine's mount manager
# reads drive types when the session starts, so a change restarts it.
e2e_cdrom_letter_x() {
  local link=$WINEPREFIX/dosdevices/x:
  if [ -n "$1" ]; then
    ln -sfn "$1" "$link"
    e2e_wine reg add 'HKLM\Software\Wine\Drives' /v x: /d cdrom /f /reg:64 >/dev/null 2>&1
  elif [ -L "$link" ]; then
    rm -f "$link"
    e2e_wine reg delete 'HKLM\Software\Wine\Drives' /v x: /f /reg:64 >/dev/null 2>&1 || true
  else
    return 0
  fi
  e2e_restart_session
}

e2e_stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
}

# e2e_start_updater EXE SCENARIO LOG [OVERRIDE [ARG...]]: starts the updater
# (with its command line ARGs) with the test DLL serving SCENARIO (none when
# empty) and logging into LOG.
e2e_start_updater() {
  local exe=$1 scenario=$2 log=$3 override=${4:-n}
  shift $(($# < 4 ? $# : 4))
  rm -f "$log" "$log".drive*.flash
  local -a env=(WINEDLLOVERRIDES="wnaspi32=$override" NORVEK_ASPI_LOG="$log")
  [ -n "$scenario" ] && env+=(NORVEK_ASPI_SCENARIO="$scenario")
  env "${env[@]}" "$E2E_WINE" "$exe" "$@" >"$log.stdout" 2>&1 &
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
  e2e_wine "$E2E_DRIVER" "$@"
}

e2e_shot() {
  import -window root "$1"
}

e2e_edition "${E2E_EDITION:-32}"
