# A flash of one drive, of three at once (a fourth of another maker left
# alone), and of a drive whose read-back is wrong: as the kernel carries it.
drives_up /drives/one.scenario
nf one flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/one.runlog"
drives_down
mv "$R/drives.log" "$R/drives-one.log"
for f in "$R"/drives.log.drive*.sha256; do mv "$f" "$(echo "$f" | sed 's/drives.log/drives-one.log/')"; done

drives_up /drives/four.scenario
nf four flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/four.runlog"
drives_down
mv "$R/drives.log" "$R/drives-four.log"
for f in "$R"/drives.log.drive*.sha256; do mv "$f" "$(echo "$f" | sed 's/drives.log/drives-four.log/')"; done

drives_up /drives/corrupt.scenario
nf corrupt flash "$UPDATER" --test-loaders --yes --all-matched --log "$R/corrupt.runlog"
drives_down
mv "$R/drives.log" "$R/drives-corrupt.log"
rm -f "$R"/drives.log.drive*.sha256
