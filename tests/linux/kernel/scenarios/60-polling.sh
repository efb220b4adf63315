# The block layer polls the drive for media (here every 100 ms); from the
# flash's first changing command to its end the drive must hear nothing
# but the flash (the exclusive open of the block node stops the polling).
drives_up /drives/paced.scenario
for p in /sys/block/sr*/events_poll_msecs; do echo 100 > "$p"; done
sleep 1
nf polled flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/polled.runlog"
sleep 1
drives_down
