#!/usr/bin/env bash
# The real-kernel tier: norvek-flash under Debian's own kernel, in qemu,
# against virtual drives that the kernel's SCSI stack (sg, sr, the block
# layer) sees as real ones, served by LIO's TCM-User backstore.
#
#   tests/linux/kernel/run.sh [BUILD_DIR]     (default build/linux-d, a Release build)
#
# Boots once and runs every guest scenario (scenarios/NAME.sh, in order;
# NORVEK_KERNEL_SCENARIOS="10-list 20-flash" picks some), brings their
# results back over a second serial port into build/kernel-tier/results, and
# judges each with scenarios/NAME.check.sh on the host. The last line is
# "kernel: N passed, M failed" (one per check); a tier that cannot run (no
# qemu, no kernel package, a boot that never finishes) fails with the reason.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=$(cd "${1:-$root/build/linux-d}" && pwd)
work=$root/build/kernel-tier
started=$(date +%s.%N)

die() {
    echo "kernel tier cannot run: $*"
    echo "kernel: 0 passed, 1 failed"
    exit 1
}

# ---- Debian's kernel, fetched once and kept --------------------------------
kernel_dir=$work/kernel
fetch_kernel() {
    local tmp=$work/kernel.fetch meta image
    rm -rf "$tmp" && mkdir -p "$tmp"
    (cd "$tmp" && apt-get download linux-image-amd64 >/dev/null 2>&1) || return 1
    meta=$(ls "$tmp"/linux-image-amd64_*.deb)
    image=$(dpkg-deb -f "$meta" Depends | sed -E 's/^(linux-image-[^ ,]+).*/\1/')
    (cd "$tmp" && apt-get download "$image" >/dev/null 2>&1) || return 1
    mkdir -p "$tmp/x" && dpkg-deb -x "$tmp/$image"_*.deb "$tmp/x" || return 1
    rm -rf "$kernel_dir" && mkdir -p "$kernel_dir/modules"
    cp "$tmp"/x/boot/vmlinuz-* "$kernel_dir/vmlinuz"
    for m in configfs crct10dif_common crct10dif_generic crc-t10dif scsi_common scsi_mod target_core_mod uio \
        target_core_user tcm_loop cdrom sr_mod sg isofs; do
        find "$tmp/x/lib/modules" -name "$m.ko" -exec cp {} "$kernel_dir/modules/" \; 
        [ -f "$kernel_dir/modules/$m.ko" ] || return 1
    done
    echo "$image" > "$kernel_dir/package"
    rm -rf "$tmp"
}
if [ ! -f "$kernel_dir/package" ]; then
    # A stale package list may name a kernel the archive no longer has.
    fetch_kernel || { apt-get update -qq >/dev/null 2>&1; fetch_kernel; } || die "Debian's linux-image-amd64 could not be fetched and unpacked (apt-get download; run as root after apt-get update)"
fi
command -v qemu-system-x86_64 >/dev/null || die "qemu-system-x86_64 is missing (scripts/setup installs qemu-system-x86)"
busybox=$(command -v busybox) || die "busybox is missing (scripts/setup installs busybox-static)"
for p in norvek-flash:linux/norvek-flash norvek-flash-test:linux/norvek-flash-test \
    norvek-tcmu-target:sim/tcmu-target/norvek-tcmu-target \
    kernel-tier-files:tests/linux/kernel-tier-files norvek_sg_preload:tests/linux/libnorvek_sg_preload.so; do
    [ -x "$build/${p#*:}" ] || die "$build/${p#*:} is not built (ninja ${p%%:*})"
done

# ---- the initramfs ---------------------------------------------------------
stage=$work/initramfs
rm -rf "$stage" && mkdir -p "$stage"/{bin,lib/modules,proc,sys,dev,tmp,data,drives,scenarios,lib64}
cp "$busybox" "$stage/bin/busybox"
ln -s busybox "$stage/bin/sh"
cp "$kernel_dir"/modules/*.ko "$stage/lib/modules/"
cp "$build/sim/tcmu-target/norvek-tcmu-target" "$stage/bin/"
# norvek-flash as released is linked against the system's libraries: they go along.
cp "$build/linux/norvek-flash" "$stage/bin/"
for lib in $(ldd "$build/linux/norvek-flash" | grep -oE '/[^ ]+'); do
    mkdir -p "$stage$(dirname "$lib")"
    cp -L "$lib" "$stage$lib"
done
"$build/tests/linux/kernel-tier-files" updater "$stage/data" || die "the demo updater file could not be made"
cp "$here/guest/init" "$stage/init"
cp "$here/guest/guest.sh" "$stage/lib/guest.sh"
cp "$here"/drives/*.scenario "$stage/drives/"
selected=${NORVEK_KERNEL_SCENARIOS:-}
for s in "$here"/scenarios/*.sh; do
    name=$(basename "$s" .sh)
    case $name in *.check) continue ;; esac
    if [ -n "$selected" ] && ! grep -qw -- "$name" <<<"$selected"; then continue; fi
    cp "$s" "$stage/scenarios/"
done
(cd "$stage" && find . | cpio -o -H newc --quiet > "$work/initramfs.cpio") || die "cpio failed"

# ---- the boot --------------------------------------------------------------
# KVM where it works: a /dev/kvm that opens may still hang a guest (nested
# virtualisation), so the kernel must reach its first line of output under
# it within seconds (it then panics for want of an init, and qemu ends).
# Else software emulation, which boots this kernel in a few seconds too.
kvm_works() {
    (exec 3<>/dev/kvm) 2>/dev/null || return 1
    local probe=$work/kvm-probe.log
    rm -f "$probe"
    timeout 20 qemu-system-x86_64 -accel kvm -cpu host -m 256 -display none -no-reboot -monitor none \
        -kernel "$kernel_dir/vmlinuz" -append "console=ttyS0 rdinit=/none panic=-1" -serial "file:$probe" \
        >/dev/null 2>&1
    grep -q "Kernel panic" "$probe" 2>/dev/null
}
accel=(-accel tcg)
if [ "${NORVEK_KERNEL_ACCEL:-auto}" != tcg ] && kvm_works; then accel=(-accel kvm -cpu host); fi
console=$work/console.log
results=$work/results.txt
rm -f "$console" "$results"
boot_started=$(date +%s.%N)
timeout "${NORVEK_KERNEL_TIMEOUT:-1200}" qemu-system-x86_64 "${accel[@]}" -m 1536 -smp 2 -display none -no-reboot \
    -monitor none -kernel "$kernel_dir/vmlinuz" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 rdinit=/init panic=-1 loglevel=4" \
    -serial "file:$console" -serial "file:$results"
qemu_status=$?
booted=$(date +%s.%N)
echo "kernel tier: $(cat "$kernel_dir/package"), qemu ${accel[*]}, exit $qemu_status"
grep -q '^@@done' "$results" 2>/dev/null ||
    die "the guest did not finish its scenarios (qemu exit $qemu_status; see $console and $results)"

# ---- results back into folders ---------------------------------------------
out=$work/results
rm -rf "$out" && mkdir -p "$out"
awk -v out="$out" '
    { sub(/\r$/, "") }
    /^@@file / { path = out "/" $2; split($2, part, "/"); system("mkdir -p \"" out "/" part[1] "\""); printf "" > path; next }
    /^@@end$/ { close(path); path = ""; next }
    path != "" { print >> path }
' "$results"
boot_seconds=$(sed -n -E 's/^@@boot ([0-9.]+)/\1/p' "$results")

# ---- the checks ------------------------------------------------------------
# shellcheck source=check_lib.sh
. "$here/check_lib.sh"
for s in "$here"/scenarios/*.check.sh; do
    name=$(basename "$s" .check.sh)
    [ -d "$out/$name" ] || continue
    R=$out/$name
    if [ -s "$R/harness.err" ]; then fail "the guest's steps" "$(cat "$R/harness.err")"; fi
    # shellcheck disable=SC1090
    . "$s"
done
# shellcheck source=compare.sh
. "$here/compare.sh"
wall=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.0f", b - a }')
guest=$(awk -v a="$boot_started" -v b="$booted" 'BEGIN { printf "%.0f", b - a }')
echo "kernel tier: guest booted to its first scenario in ${boot_seconds} s of guest time; qemu ran ${guest} s; tier wall ${wall} s"
echo "kernel: $checks_passed passed, $checks_failed failed"
[ "$checks_failed" -eq 0 ]
