# shellcheck shell=bash
# The vocabulary the scenario files are written in: start the updater, look
# at its window, answer its dialogs, take a screenshot per step, and check
# the ASPI DLL's log and the flash it left. Sourced by run.sh in the subshell
# of one scenario, after lib.sh, with these set:
#   E2E_NAME   scenario name          E2E_SHOTS  folder of its screenshots
#   E2E_WORK   its scratch folder     E2E_LOG    the DLL's log for it
#   DEMO_*     what the demo package holds (run.sh reads it from the manifest)
# and the edition's E2E_* paths from lib.sh (E2E_TEMPLATE_EXE, E2E_WINE...).

E2E_STEP=0
E2E_TRANSCRIPT=$E2E_SHOTS/transcript.txt

fail() {
  printf 'FAIL [%s]: %s\n' "$E2E_NAME" "$*" >&2
  exit 1
}

note() { printf '  %s\n' "$*" | tee -a "$E2E_TRANSCRIPT"; }

# shot NAME: a screenshot of the whole display as the next numbered step.
shot() {
  E2E_STEP=$((E2E_STEP + 1))
  local file
  file=$E2E_SHOTS/$(printf '%02d' "$E2E_STEP")-$1.png
  e2e_shot "$file" || fail "screenshot $file"
  note "screenshot $(basename "$file")"
}

# ui ARGS...: the UI driver against the updater's window; its answer is kept
# in $E2E_WORK/last.txt and the transcript. Fails the scenario when it fails.
ui() {
  note "ui $*"
  if ! e2e_ui --window "$E2E_WINDOW" "$@" >"$E2E_WORK/last.txt" 2>"$E2E_WORK/last.err"; then
    cat "$E2E_WORK/last.txt" "$E2E_WORK/last.err" >>"$E2E_TRANSCRIPT"
    fail "ui $* failed: $(cat "$E2E_WORK/last.err")"
  fi
  sed 's/^/    /' "$E2E_WORK/last.txt" >>"$E2E_TRANSCRIPT"
}

# start EXE SCENARIO_FILE [OVERRIDE]: the updater with the DLL serving the file.
start() {
  note "start $(basename "$1") with ${2:+$(basename "$2")}${2:-no scenario} (wnaspi32=${3:-n})"
  e2e_start_updater "$1" "$2" "$E2E_LOG" "${3:-n}"
}

# The updater ends, and so its DLL's exit report is written.
ended() {
  ui wait-exit 20
  e2e_wait_updater 20 || fail "the updater did not end"
  note "updater ended"
}

# shows TEXT: the last driver answer contains TEXT (driver quoting: "\n" for a line feed).
shows() {
  grep -qF -- "$1" "$E2E_WORK/last.txt" || fail "expected $(printf '%q' "$1") in: $(cat "$E2E_WORK/last.txt")"
}

lacks() {
  if grep -qF -- "$1" "$E2E_WORK/last.txt"; then
    fail "did not expect $(printf '%q' "$1") in: $(cat "$E2E_WORK/last.txt")"
  fi
}

# dialog CAPTION TEXT: a dialog of that caption whose whole text is exactly TEXT.
dialog() {
  ui wait-dialog "$1" "" 30
  shows "text: \"$2\""
}

press() { ui press-dialog-button "$1" "$2"; }

# dialogs_up CAPTION...: exactly these dialogs are on screen, in any order
# (none when no caption is given).
dialogs_up() {
  ui list-windows
  local up want
  up=$(tr -d '\r' <"$E2E_WORK/last.txt" | sed -n -E 's/^window: class=#32770 title="(.*)"$/\1/p' | sort)
  want=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
  [ "$up" = "$want" ] || fail "expected the dialogs [${*}] on screen, found [$(tr '\n' ' ' <<<"$up")]"
}

# ---- the DLL's log --------------------------------------------------------

log_has() {
  [ -f "$E2E_LOG" ] || fail "no DLL log at $E2E_LOG"
  grep -qE -- "$1" "$E2E_LOG" || fail "the DLL log has no line matching $1"
}

log_lacks() {
  [ -f "$E2E_LOG" ] || return 0
  if grep -qE -- "$1" "$E2E_LOG"; then
    fail "the DLL log has a line matching $1: $(grep -m1 -E -- "$1" "$E2E_LOG")"
  fi
}

# wait_log PATTERN SECONDS: until a line of the DLL log matches PATTERN.
wait_log() {
  local tenth
  for ((tenth = 0; tenth < $2 * 10; ++tenth)); do
    if [ -f "$E2E_LOG" ] && grep -qE -- "$1" "$E2E_LOG"; then
      note "the DLL log has $1"
      return 0
    fi
    sleep 0.1
  done
  fail "no line of the DLL log matched $1 within $2 s"
}

# log_count PATTERN: lines of the DLL log matching PATTERN.
log_count() { grep -cE -- "$1" "$E2E_LOG" || true; }

# The commit: WRITE BUFFER mode 5, buffer 1, control 80h or A0h, no data.
COMMIT_CDB='cdb=3b0501000000000000(80|a0)0000 dir=none'
# Image pieces: WRITE BUFFER mode 5 with 16 KiB of data out.
PIECE_CDB='cdb=3b0501[0-9a-f]{6}004000000000 dir=out len=16384'

# drive_state N KEY VALUE: the exit report of drive N says KEY=VALUE.
drive_state() {
  log_has "^exit drive=$1 .* $2=$3( |\$)"
}

# flash_is_image N IMAGE: drive N's flash holds IMAGE byte for byte.
flash_is_image() {
  local flash=$E2E_LOG.drive$1.flash
  [ -f "$flash" ] || fail "no flash file $flash"
  cmp -s "$flash" "$2" || fail "the flash of drive $1 differs from $(basename "$2"): $(cmp "$flash" "$2" 2>&1 | head -1)"
  note "drive $1 flash equals $(basename "$2") ($(stat -c %s "$flash") bytes)"
}

flash_is_not_image() {
  local flash=$E2E_LOG.drive$1.flash
  [ -f "$flash" ] || fail "no flash file $flash"
  if cmp -s "$flash" "$2"; then fail "the flash of drive $1 holds the image although the update failed"; fi
  note "drive $1 flash does not hold the image"
}

# pack NAME KEY=VALUE...: a package like the demo with some manifest keys
# changed (every line "KEY = ..." of the demo manifest), built by the host
# packer into the scenario's folder; prints its path.
pack() {
  local name=$1 manifest=$E2E_WORK/$1.toml exe=$E2E_WORK/$1.exe
  shift
  # The image is named relative to the manifest: name it by its full path.
  sed -E "s|^image *= *\"(.*)\"|image = \"$(dirname "$DEMO_MANIFEST")/\\1\"|" "$DEMO_MANIFEST" >"$manifest"
  local change key value
  for change in "$@"; do
    key=${change%%=*}
    value=${change#*=}
    grep -qE "^$key *=" "$manifest" || fail "the demo manifest has no key $key"
    sed -i -E "s|^$key *=.*|$key = $value|" "$manifest"
  done
  "$DEMO_PACK_TOOL" build --test-loaders --template "$E2E_TEMPLATE_EXE" --manifest "$manifest" -o "$exe" \
    >"$E2E_WORK/$name.pack.txt" 2>&1 || fail "packing $name: $(cat "$E2E_WORK/$name.pack.txt")"
  printf '%s\n' "$exe"
}

# ---- the updater's texts --------------------------------------------------

# list_line ADAPTER BUS TARGET LUN ROOT VENDOR PRODUCT REVISION: a drive list
# line as the window builds it, the identity fields at their INQUIRY widths.
list_line() {
  local name
  name=$(printf '%-8.8s%-16.16s' "$6" "$7")
  [ -n "$6$7" ] || name=""
  printf '%2d-%d-%d-%d %.2s%24s %4s' "$1" "$2" "$3" "$4" "$5" "$name" "$8"
}

# What the test build's list line adds for a drive that is not one of the
# project's virtual drives (no NORVEK-VIRTUAL in INQUIRY bytes 36-51).
TEST_BUILD_NOTE="  (test build: virtual drives only)"

# The notice of the demo package (WARNING 1, NBWARNING 0), as the driver prints it.
notice_text() {
  printf '%s' "This flash utility only supports $DEMO_DRIVE_NAME drive.\\n\\nNOTICE : \\n\\n" \
    "1> Please REMOVE disc and close all applications before running this utility !\\n" \
    "2> Don't turn off the system while flash is in progress. \\n\\nDo you wish to continue ?"
}

# no_match_text LINE...: the no-match message listing those drive lines.
no_match_text() {
  printf '%s' "No matched drive detected !\\nThis utility is only for $DEMO_DRIVE_NAME drive.\\n\\nDetected drives :\\n"
  local line
  for line in "$@"; do printf '%s\\n' "$line"; done
}

SUCCESS_TEXT="Firmware has been updated successfully !"
FAILURE_TEXT="Unable to flash firmware. Please contact with your vendor !"

# START STOP UNIT with LoEj set and Start clear: the tray opens.
EJECT_CDB='cdb=1b0000000200000000000000'

# ---- automatic mode with the disc check -----------------------------------

# disc_check_run SCENARIO_FILE: a package in automatic mode with the disc
# check, against three matched drives of which the middle one holds a disc.
# The first drive is prepared and its worker started; then the middle drive's
# tray opens and "Please remove the disc." is held until the first drive's
# commit is in the log and a moment after, so that the first worker ends
# while the dialog is up. The run must neither report then nor forget that
# worker later.
disc_check_run() {
  local exe
  exe=$(pack disc_check automode=1 warning=0 chkdisc=1)
  start "$exe" "$1"
  dialog Warning "Please remove the disc."
  shot remove-disc
  wait_log "^exec ha=0 target=0 lun=0 $COMMIT_CDB" 60
  sleep 2
  # The first drive has ended; nothing is reported while the dialog is up.
  dialogs_up Warning
  shot first-drive-ended
  press Warning OK
}

# disc_check_outcome CAPTION TEXT: the run's one report comes after all three
# drives have ended (three commits sent), and no second report follows it.
disc_check_outcome() {
  ui wait-dialog "$1" "" 120
  shows "text: \"$2\""
  [ "$(log_count "$COMMIT_CDB")" = 3 ] ||
    fail "the outcome came with $(log_count "$COMMIT_CDB") commits sent, not after all three drives"
  dialogs_up "$1"
  shot outcome
  press "$1" OK
}

# Only the middle drive had its tray opened.
only_middle_ejected() {
  log_has "^exec ha=1 target=0 lun=0 $EJECT_CDB"
  log_lacks "^exec ha=(0|2) target=0 lun=0 $EJECT_CDB"
}

# ---- unattended runs ---------------------------------------------------------

# quiet EXE SCENARIO_FILE ARG...: the updater with ARGs (/quiet among them)
# run to its end while the display is watched: a screenshot every half second
# and the list of visible top-level windows each time, which must stay empty,
# since an unattended run shows no window and no dialog. Its whole exit code
# (the UI driver waits for it: a Unix parent of Wine sees only the low 8 bits)
# is left in QUIET_CODE.
quiet() {
  local exe=$1 scenario=$2 seen=0 out=$E2E_WORK/quiet-exit.txt
  shift 2
  note "start $(basename "$exe") $* with $(basename "$scenario")"
  rm -f "$E2E_LOG" "$E2E_LOG".drive*.flash
  WINEDLLOVERRIDES=wnaspi32=n NORVEK_ASPI_LOG="$E2E_LOG" NORVEK_ASPI_SCENARIO="$scenario" \
    e2e_ui run "$(windows_path "$exe")" "$@" >"$out" 2>&1 &
  E2E_UPDATER_PID=$!
  while kill -0 "$E2E_UPDATER_PID" 2>/dev/null; do
    no_window_up
    shot quiet-run
    seen=$((seen + 1))
    sleep 0.5
  done
  wait "$E2E_UPDATER_PID" || fail "the UI driver could not run the updater: $(cat "$out")"
  E2E_UPDATER_PID=
  QUIET_CODE=$(tr -d '\r' <"$out" | sed -n 's/^exit code: //p')
  no_window_up
  shot quiet-ended
  note "ended with exit code $QUIET_CODE after $seen looks at the screen"
}

no_window_up() {
  e2e_ui list-windows >"$E2E_WORK/windows.txt" 2>&1 || fail "the UI driver cannot list windows: $(cat "$E2E_WORK/windows.txt")"
  if grep -q '^window:' "$E2E_WORK/windows.txt"; then
    fail "a window is up during an unattended run: $(grep '^window:' "$E2E_WORK/windows.txt" | tr '\n' ' ')"
  fi
}

# exit_code_is CODE: the last unattended run ended with CODE.
exit_code_is() {
  [ "$QUIET_CODE" = "$1" ] || fail "expected exit code $1, the updater returned $QUIET_CODE"
}

# A Windows path (Z: is the root of the host's file system under Wine).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# text_of FILE: a file the updater wrote, without its CR line ends.
text_of() { tr -d '\r' <"$1"; }
