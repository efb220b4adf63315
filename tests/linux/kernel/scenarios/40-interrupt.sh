# Ctrl-C before the drive's first changing command cancels it untouched;
# SIGTERM after it is answered and the flash finishes.
drives_up /drives/slow-identity.scenario
nf_bg sigint flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/sigint.runlog"
wait_taken 'df11' 1 60
sleep 0.3
kill -INT "$NF_PID"
nf_wait
drives_down
mv "$R/drives.log" "$R/drives-sigint.log"
rm -f "$R"/drives.log.drive*.sha256

drives_up /drives/slow.scenario
nf_bg sigterm flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/sigterm.runlog"
wait_taken "$IMAGE_PIECE" 5 60
kill -TERM "$NF_PID"
nf_wait
drives_down
mv "$R/drives.log" "$R/drives-sigterm.log"
mv "$R/drives.log.drive0.flash.sha256" "$R/drives-sigterm.log.drive0.flash.sha256"
