# The drive removed mid-flash (its LUN unlinked): no commit, exit 3, a clear
# message. Then a drive that leaves once its commit is answered and comes
# back at once under a new node (the old sg node is still open, so the
# kernel gives another), as a drive that resets after programming does.
drives_up /drives/slow.scenario
nf_bg removed flash "$UPDATER" --test-loaders --yes --device /dev/sg0 --log "$R/removed.runlog"
wait_taken "$IMAGE_PIECE" 10 60
lun_unlink 0
nf_wait
nodes > "$R/nodes-after-removal"
drives_down
mv "$R/drives.log" "$R/drives-removed.log"
rm -f "$R"/drives.log.drive*.sha256

drives_up /drives/slow.scenario
nodes > "$R/nodes-before-return"
nf_bg returned flash "$UPDATER" --test-loaders --yes --device /dev/sg0 --log "$R/returned.runlog"
wait_for "the commit's answer" 120 grep -q "^exec .*cdb=$COMMIT" "$DRIVES_LOG"
lun_unlink 0
lun_link 0
nf_wait
nodes > "$R/nodes-after-return"
drives_down
mv "$R/drives.log" "$R/drives-returned.log"
rm -f "$R"/drives.log.drive*.sha256
