# Host-side judgement of the guest's results: each check prints one line,
# "PASS scenario: what" or "FAIL scenario: what: why", and is counted.
checks_passed=0
checks_failed=0

pass() { echo "PASS $name: $1"; checks_passed=$((checks_passed + 1)); }
fail() { echo "FAIL $name: $1: $2"; checks_failed=$((checks_failed + 1)); }

# check WHAT COMMAND...: passes when COMMAND succeeds; on failure the
# command's own output is the reason.
check() {
    local what=$1 why
    shift
    if why=$("$@" 2>&1); then pass "$what"; else fail "$what" "${why:-$*}"; fi
}

# exit_code NAME CODE: the run NAME ended with CODE.
exit_code() {
    local got
    got=$(tr -d '\n' < "$R/$1.code" 2>/dev/null)
    [ "$got" = "$2" ] || { echo "exit code ${got:-none}, expected $2; stderr: $(head -c 600 "$R/$1.err" 2>/dev/null)"; return 1; }
}

# has FILE TEXT: FILE (in the scenario's results) contains TEXT.
has() { grep -qF -- "$2" "$R/$1" || { echo "$1 lacks \"$2\": $(head -c 600 "$R/$1")"; return 1; }; }
lacks() { ! grep -qF -- "$2" "$R/$1" || { echo "$1 has \"$2\""; return 1; }; }

# The "exec" lines of a drives log for one adapter (the scenario's drive index).
exec_lines() { grep "^exec ha=$2 " "$R/$1"; }

# same_image SHA_FILE: the drive's flash is the demo image.
same_image() {
    local want got
    want=$(sha256sum "$work/initramfs/data/demo-image.bin" | cut -d' ' -f1)
    got=$(cat "$R/$1" 2>/dev/null)
    [ "$got" = "$want" ] || { echo "flash sha256 ${got:-missing}, the image's $want"; return 1; }
}

# lacks_command LOG CDB_PATTERN: no command matching the pattern reached a drive.
lacks_command() {
    ! grep -q "^take .*cdb=$2" "$R/$1" || { echo "$(grep "^take .*cdb=$2" "$R/$1" | head -3)"; return 1; }
}

# no_vendor_commands LOG ADAPTER: the drive got no WRITE/READ BUFFER, STOP or identify.
no_vendor_commands() {
    ! grep -qE "^take ha=$2 cdb=(3b|3c|df|1b)" "$R/$1" || { grep -E "^take ha=$2 cdb=(3b|3c|df|1b)" "$R/$1" | head -3; return 1; }
}
