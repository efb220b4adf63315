# The drive removed mid-flash (its LUN unlinked): no commit, exit 3, a clear
# message. Then a drive that resets during its commit and comes back, with
# its new firmware, under a new node.
drives_up /drives/slow.scenario
nf_bg removed flash "$UPDATER" --test-loaders --yes --device /dev/sg0 --log "$R/removed.runlog"
wait_taken "$IMAGE_PIECE" 10 60
lun_unlink 0
nf_wait
nodes > "$R/nodes-after-removal"
drives_down
mv "$R/drives.log" "$R/drives-removed.log"
rm -f "$R"/drives.log.drive*.sha256

# Both LUNs go while the drive programs its flash (the kernel fails the
# commit to the program, the drive finishes it); once it has, the other
# drive's LUN comes back first and takes the lowest free node.
drives_up /drives/returning.scenario
nodes > "$R/nodes-before-return"
nf_bg returned flash "$UPDATER" --test-loaders --yes --device /dev/sg0 --log "$R/returned.runlog"
wait_taken "$COMMIT" 1 120
sleep 0.5
lun_unlink 0
lun_unlink 1
wait_for "the commit's answer" 20 grep -q "^exec .*cdb=${COMMIT%\$} " "$DRIVES_LOG"
lun_link 1
lun_link 0
nf_wait
wait_for "both drives back" 30 sh -c "[ \$(ls /sys/class/scsi_generic | wc -l) -ge 2 ]"
nodes > "$R/nodes-after-return"
for g in /sys/class/scsi_generic/*; do grep -q KTV-360R "$g/device/model" && basename "$g"; done > "$R/returned-node"
drives_down
mv "$R/drives.log" "$R/drives-returned.log"
rm -f "$R"/drives.log.drive*.sha256
