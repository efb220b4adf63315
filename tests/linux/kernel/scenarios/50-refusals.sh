# Refusals: nothing that changes a drive is sent when the drive is held open
# by another program, or when a second norvek-flash wants a drive the first
# is flashing. (A transfer limit below a piece cannot be made here: the
# backstore's hw_max_sectors limits LIO's own reads and writes, while the
# kernel's queue above tcm_loop keeps the host's 32766 KiB, which is what
# max_hw_sectors_kb shows; the preload tier covers that refusal.)
drives_up /drives/one.scenario
sleep 600 < /dev/sg0 &
holder=$!
nf held flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/held.runlog"
kill "$holder"
drives_down
mv "$R/drives.log" "$R/drives-held.log"
rm -f "$R"/drives.log.drive*.sha256

# While one flashes the drive, a second program is refused: another
# norvek-flash (O_EXCL on the sg node, then on the block node) and a mount
# of the block node; a plain open of the block node is not (the kernel
# keeps O_EXCL between exclusive openers).
drives_up /drives/slow.scenario
nf_bg first flash "$UPDATER" --test-loaders --yes --device /dev/sg0 --log "$R/first.runlog"
wait_taken "$IMAGE_PIECE" 3 60
nf second flash "$UPDATER" --test-loaders --yes --device /dev/sg0 --log "$R/second.runlog"
nf second-sr flash "$UPDATER" --test-loaders --yes --device /dev/sr0 --log "$R/second-sr.runlog"
mkdir -p /mnt
mount -t iso9660 -o ro /dev/sr0 /mnt > "$R/mount.out" 2>&1
echo $? > "$R/mount.code"
nf_wait
drives_down
mv "$R/drives.log" "$R/drives-second.log"
mv "$R/drives.log.drive0.flash.sha256" "$R/drives-second.log.drive0.flash.sha256"
