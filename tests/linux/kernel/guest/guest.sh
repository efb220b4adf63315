# What the scenarios do in the guest: set up drives behind the TCM-User
# target, run norvek-flash, wait for what a drive has been sent, and keep
# every result in the scenario's folder ($R).
KO=/lib/modules
CORE=/sys/kernel/config/target/core
LOOP=/sys/kernel/config/target/loopback
WWN=naa.5001405000000001
FLASH=/bin/norvek-flash
UPDATER=/data/demo-updater.exe
DRIVES_LOG=
TARGET_PID=
DRIVE_COUNT=0

# The order DESIGN notes: each module after those it needs (no depmod here).
load_modules() {
    for m in configfs crct10dif_common crct10dif_generic crc-t10dif scsi_common scsi_mod target_core_mod uio \
        target_core_user tcm_loop cdrom sr_mod sg isofs; do
        insmod "$KO/$m.ko" || echo "@@error insmod $m" > /dev/ttyS1
    done
    mount -t configfs none /sys/kernel/config
}

# drives_up SCENARIO_FILE [HW_MAX_SECTORS]: one TCM-User backstore per
# [drive] of the file, the target serving them, one LUN each; waits until
# the kernel has made an sg node for each.
drives_up() {
    local i d c
    DRIVE_COUNT=$(grep -c '^\[drive\]' "$1")
    DRIVES_LOG=$R/drives.log
    i=0
    while [ "$i" -lt "$DRIVE_COUNT" ]; do
        d=$CORE/user_1/vd$i
        mkdir -p "$d"
        for c in dev_config=norvek/vd$i dev_size=1048576 nl_reply_supported=-1 hw_max_sectors=${2:-128}; do
            echo -n "$c" > "$d/control"
        done
        echo 1 > "$d/enable"
        i=$((i + 1))
    done
    norvek-tcmu-target "$1" "$DRIVES_LOG" > "$R/target.out" 2>&1 &
    TARGET_PID=$!
    wait_for "target ready" 10 grep -q ready "$R/target.out"
    mkdir -p "$LOOP/$WWN/tpgt_1"
    [ -n "$(cat "$LOOP/$WWN/tpgt_1/nexus")" ] || echo -n naa.5001405000000002 > "$LOOP/$WWN/tpgt_1/nexus"
    i=0
    while [ "$i" -lt "$DRIVE_COUNT" ]; do
        lun_link "$i"
        i=$((i + 1))
    done
    wait_for "$DRIVE_COUNT sg nodes" 30 sh -c "[ \$(ls /sys/class/scsi_generic | wc -l) -ge $DRIVE_COUNT ]"
    settle
}

lun_link() {
    mkdir -p "$LOOP/$WWN/tpgt_1/lun/lun_$1"
    ln -s "$CORE/user_1/vd$1" "$LOOP/$WWN/tpgt_1/lun/lun_$1/port"
}

lun_unlink() {
    rm -f "$LOOP/$WWN/tpgt_1/lun/lun_$1/port"
    rmdir "$LOOP/$WWN/tpgt_1/lun/lun_$1" 2>/dev/null
}

# Until the kernel has stopped probing: no new command for half a second
# (at most ten seconds: a kernel that polls media all the time never stops).
settle() {
    local last=-1 lines rounds=0
    while [ "$rounds" -lt 20 ]; do
        rounds=$((rounds + 1))
        lines=$(wc -l < "$DRIVES_LOG")
        [ "$lines" -eq "$last" ] && return
        last=$lines
        sleep 0.5
    done
}

drives_down() {
    local i=0 f

    while [ "$i" -lt "$DRIVE_COUNT" ]; do
        lun_unlink "$i"
        i=$((i + 1))
    done
    kill -TERM "$TARGET_PID" 2>/dev/null
    wait "$TARGET_PID"
    i=0
    while [ "$i" -lt "$DRIVE_COUNT" ]; do
        rmdir "$CORE/user_1/vd$i" 2>/dev/null
        i=$((i + 1))
    done
    for f in "$DRIVES_LOG".drive*.flash; do
        [ -f "$f" ] && sha256sum "$f" | cut -d' ' -f1 > "$f.sha256" && rm -f "$f"
    done
}

# wait_for WHAT SECONDS COMMAND...: until COMMAND succeeds, else notes the failure.
wait_for() {
    local what=$1 limit=$2 tries=0
    shift 2
    while ! "$@"; do
        tries=$((tries + 1))
        if [ "$tries" -gt $((limit * 10)) ]; then
            echo "timed out waiting for $what" >> "$R/harness.err"
            return 1
        fi
        sleep 0.1
    done
}

# nf NAME ARGS...: norvek-flash ARGS, its output, errors and exit code kept as NAME.*
# Each run is marked in the drives' log ("run NAME begin", "run NAME end"),
# so the tiers' comparison knows which commands came while it ran.
nf() {
    local name=$1
    shift
    echo "run $name begin" >> "$DRIVES_LOG"
    "$FLASH" "$@" > "$R/$name.out" 2> "$R/$name.err" < /dev/null
    echo $? > "$R/$name.code"
    echo "run $name end" >> "$DRIVES_LOG"
}

# nf_bg NAME ARGS...: the same in the background; NF_PID is the program's
# process, NF_JOB the shell that waits for it (nf_wait).
nf_bg() {
    local name=$1
    shift
    echo "run $name begin" >> "$DRIVES_LOG"
    ( exec "$FLASH" "$@" > "$R/$name.out" 2> "$R/$name.err" < /dev/null ) &
    NF_PID=$!
    ( wait_pid "$NF_PID"; echo done > "$R/$name.ended" ) &
    NF_NAME=$name
}

# The exit code of a child of this shell is only known to it: nf_wait
# waits for the background run and keeps its code.
nf_wait() {
    wait "$NF_PID"
    echo $? > "$R/$NF_NAME.code"
    echo "run $NF_NAME end" >> "$DRIVES_LOG"
}

wait_pid() { while kill -0 "$1" 2>/dev/null; do sleep 0.1; done; }

# The commands' blocks as the kernel passes them (hex; see norvek-tcmu-target).
IMAGE_PIECE='3b0501[0-9a-f]\{6\}00400000$'
COMMIT='3b0501000000000000[8a]0$'

# wait_taken PATTERN COUNT SECONDS: until COUNT commands matching it have reached a drive.
wait_taken() {
    wait_for "$2 commands matching $1" "$3" sh -c "[ \$(grep -c '^take .*cdb=$1' '$DRIVES_LOG') -ge $2 ]"
}

# The sg and sr nodes the kernel made, as "sgN srM" lines.
nodes() {
    local g sr
    for g in /sys/class/scsi_generic/*; do
        sr=$(ls "$g/device/block" 2>/dev/null | head -1)
        echo "$(basename "$g") ${sr:--}"
    done
}

run_scenario() {
    name=$(basename "$1" .sh)
    R=/results/$name
    mkdir -p "$R"
    start=$(cut -d' ' -f1 /proc/uptime)
    ( . "$1" ) > "$R/scenario.out" 2>&1
    end=$(cut -d' ' -f1 /proc/uptime)
    echo "$start $end" > "$R/uptime"
    dmesg -c > "$R/dmesg"
    send_results "$name"
}

# Every file of the scenario to the host: "@@file NAME/PATH", the text, "@@end".
send_results() {
    for f in /results/$1/*; do
        {
            echo "@@file $1/$(basename "$f")"
            cat "$f"
            [ -z "$(tail -c 1 "$f")" ] || echo
            echo "@@end"
        } > /dev/ttyS1
    done
}
