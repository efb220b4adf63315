# The tiers compared: each case runs norvek-flash (its test build, which reads
# the made-up machine's roots) with the same arguments
# against the same scenario in the preload tier (the program with the
# preload library on a made-up machine, on the host) and compares what each
# drive received with what it received under the real kernel.
#
# The kernel tier's drives also get what the kernel sends on its own: the
# sr driver's probe (INQUIRY, MODE SENSE page 2A, GET CONFIGURATION, READ
# TOC, READ CAPACITY), the block layer's media polling (GET EVENT STATUS
# NOTIFICATION, TEST UNIT READY) and the door unlock at the last close
# (PREVENT ALLOW MEDIUM REMOVAL). Those are named, with where they came:
# before the program's first command, while it ran, after its last. One
# inside the flash (from its STOP to its last command) is a fault, and so is
# any other difference. LIO passes a command block at its opcode group's
# standard length (10 bytes for the vendor-unique C0h-FFh), so the program's
# 12-byte blocks are compared up to that length; a non-zero byte past it,
# which the drive would never see, is named too.

# compare_tiers SCENARIO KERNEL_LOG RUN DRIVES_FILE ARGS...: RUN is the
# guest's name for the run (nf NAME).
compare_tiers() {
    local scenario=$1 kernel_log=$2 run=$3 drives=$4 dir verdict
    shift 4
    dir=$work/preload/$scenario-$run
    rm -rf "$dir" && mkdir -p "$dir"
    if ! "$build/tests/linux/kernel-tier-files" machine "$dir/machine" "$here/drives/$drives" > "$dir/machine.err" 2>&1; then
        fail "$scenario/$kernel_log against the preload tier" "the made-up machine: $(cat "$dir/machine.err")"
        return
    fi
    env NORVEK_SYSFS_ROOT="$dir/machine/sys" NORVEK_DEV_ROOT="$dir/machine/dev" NORVEK_PROC_ROOT="$dir/machine/proc" \
        NORVEK_SG_SCENARIO="$here/drives/$drives" NORVEK_SG_LOG="$dir/drives.log" \
        LD_PRELOAD="$build/tests/linux/libnorvek_sg_preload.so" XDG_STATE_HOME="$dir/state" \
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/no-bus" \
        "$build/linux/norvek-flash-test" "$1" "$work/initramfs/data/demo-updater.exe" "${@:2}" \
        > "$dir/out" 2> "$dir/err" < /dev/null
    if verdict=$(awk -v run="$run" -f "$here/compare.awk" "$dir/drives.log" "$R/$kernel_log" 2>&1); then
        pass "$scenario/$run against the preload tier"
        sed 's/^/    /' <<<"$verdict"
    else
        fail "$scenario/$run against the preload tier" "$verdict"
    fi
}

name=tiers
R=$out/30-flash
if [ -d "$R" ]; then
    compare_tiers 30-flash drives-one.log one one.scenario flash --test-loaders --yes --all-matched
    compare_tiers 30-flash drives-four.log four four.scenario flash --test-loaders --yes --all-matched
    compare_tiers 30-flash drives-corrupt.log corrupt corrupt.scenario flash --test-loaders --yes --all-matched
fi
R=$out/10-list
if [ -d "$R" ]; then
    compare_tiers 10-list drives-one.log list-one one.scenario list
    compare_tiers 10-list drives-one.log list-one-json one.scenario list --json
    compare_tiers 10-list drives-four.log list-four four.scenario list
    compare_tiers 10-list drives-four.log list-four-json four.scenario list --json
fi
R=$out/60-polling
if [ -d "$R" ]; then
    compare_tiers 60-polling drives.log polled paced.scenario flash --test-loaders --yes --all-matched
fi
